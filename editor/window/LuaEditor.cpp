#include "editor/window/LuaEditor.h"

#include "editor/menu/OwnerDrawMenu.h"
#include "editor/status/CCJStatusBar.h"
#include "editor/editctrl/widget/EditCtrlWidget.h"
#include "foundation/core/Versions.h"
#include "platform/DialogUnits.h"
#include "platform/Icon.h"
#include "platform/VirtualKeys.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QIcon>
#include <QKeyEvent>
#include <QMenuBar>
#include <QVBoxLayout>

#include <cstdio>

namespace {

// The client area below the menu bar; its size changes go to the editor's layout.
class ClientArea : public QWidget {
public:
    ClientArea(QWidget* parent, std::function<void(int, int)> onSize) : QWidget(parent), onSize_(std::move(onSize)) {}

protected:
    void resizeEvent(QResizeEvent*) override { onSize_(width(), height()); }

private:
    std::function<void(int, int)> onSize_;
};

} // namespace

std::string LuaEditorTitle(const std::string& path, bool modified)
{
    return "LuaEdit [" + path + "]" + (modified ? '*' : ' ');
}

CLuaEditor::CLuaEditor(const std::string& runEvent, const std::string& debugEvent, const std::string& compileEvent,
                       QWidget* parent)
    : QWidget(parent, Qt::Window), m_ui(MakeDesktopLuaEditorUi())
{
    m_hRunEvent = platform::OpenNamedEvent(runEvent);
    if (!m_hRunEvent)
        CVersions::Print(false, "CLuaEditor::CLuaEditor Open RunEvent Event Failed !\r\n");
    m_hDebugEvent = platform::CreateNamedEvent(debugEvent, false, false);
    if (!m_hDebugEvent)
        CVersions::Print(false, "CLuaEditor::CLuaEditor Open DbgEvent Event Failed !\r\n");
    m_hCompileEvent = platform::OpenNamedEvent(compileEvent);
    if (!m_hCompileEvent)
        CVersions::Print(false, "CLuaEditor::CLuaEditor Open CompEvent Event Failed !\r\n");

    setWindowTitle("LuaEdit");
    m_shutdownTimer.setSingleShot(true);
    connect(&m_shutdownTimer, &QTimer::timeout, this, [this] { Shutdown(); });
}

CLuaEditor::~CLuaEditor()
{
    m_debug.Detach();  // before any widget goes: a stopped render thread is released
    qApp->removeEventFilter(this);
    if (m_bWindow) {
        // destroyed while open: the shutdown without the close's questions
        m_bWindow = false;
        if (m_hDebugEvent)
            m_hDebugEvent->Pulse();
    }
    // the status bar hands the caption back; the caption member is deleted once, here
    delete m_pStatusBar;
    m_pStatusBar = nullptr;
    // the children use the edit control and the menu: they go before those members
    const auto children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children)
        delete child;
    m_editWnd = nullptr;
}

bool CLuaEditor::Create()
{
    if (m_bWindow)
        return false;
    if (!OnCreate())
        return false;
    m_bWindow = true;
    OnInitDialog();
    show();
    return true;
}

bool CLuaEditor::OnCreate()
{
    // dialog template: 338 x 295 dialog units of its 9-point "Consolas"
    QFont templateFont(QStringList{"Consolas", "DejaVu Sans Mono"}, 9);
    const platform::DialogBaseUnits base = platform::BaseUnitsFor(templateFont);
    const QSize size(platform::DialogUnitsToPixelsX(338, base), platform::DialogUnitsToPixelsY(295, base));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_client = new ClientArea(this, [this](int cx, int cy) { OnSize(cx, cy); });
    layout->addWidget(m_client);

    // 1. edit control, id 1
    m_editWnd = new CEditCtrlWidget(m_edit, m_client);
    m_editWnd->setObjectName(QString::number(kEditId));
    // 2. icon
    const QIcon icon = platform::LoadIcon(kIconId);
    if (!icon.isNull())
        setWindowIcon(icon);
    // 3. accelerators: keys reach them before any widget of this window
    m_accel.LoadResource(kAccelId);
    qApp->installEventFilter(this);
    // 4. the owner-drawn menu in the classic style
    BCMenu::SetDrawStyle(0);
    if (!m_menu.LoadMenu(kMenuId))
        return false;
    m_menuBar = new QMenuBar(this);
    BuildMenuBar(m_menu, *m_menuBar, [this](unsigned command) {
        OnCommand(command);
        UpdateTitle(false);
    });
    layout->setMenuBar(m_menuBar);
    // 5. status bar: three panes of id 0, then pane 1 inserted at index 1
    m_pStatusBar = new CCJStatusBar(m_client);
    m_pStatusBar->SetIndicators({0, 0, 0});
    m_pStatusBar->AddIndicator(0, 0);
    m_pStatusBar->SetPaneWidth(0, 190);
    m_pStatusBar->AddIndicator(1, 1);
    m_pStatusBar->SetPaneWidth(1, 240);
    // 6. the caption in pane 0, owned here
    if (!m_caption.Create(L"LuaEdit", m_pStatusBar, 0) || !m_pStatusBar->AddControl(&m_caption, 0, false))
        return false;

    resize(size.width(), size.height() + m_menuBar->sizeHint().height());
    return true;
}

bool CLuaEditor::OnInitDialog()
{
    RestorePlacement();

    // font: bold "Consolas" 16 px
    m_font = QFont(QStringList{"Consolas", "DejaVu Sans Mono"});
    m_font.setPixelSize(16);
    m_font.setWeight(QFont::Bold);
    m_font.setStyleHint(QFont::Monospace);
    m_hOldEditFont = m_editWnd->EditFont();
    m_editWnd->SetEditFont(m_font, true);
    m_bFontSet = true;

    ApplyEditSettings();

    if (m_hRunEvent)
        m_hRunEvent->Set();
    return true;
}

void CLuaEditor::ApplyEditSettings()
{
    m_edit.m_bSequenceImages = false;
    m_edit.m_bOutlining = true;
    m_edit.ShowOutlineMargin(true, 20);
    SetMarginRedraw();
    m_edit.ShowLineNumbers(true, 45);
    SetMarginRedraw();
    if (m_edit.LoadSettings(kSettingsFile))
        m_edit.m_bOutlineParse = true;
    m_edit.m_bHyperlinks = false;  // whatever the settings say
    m_edit.ReparseOutlineRange(-1, -1);
    m_editWnd->ActivateToolTip(true);
}

void CLuaEditor::SetMarginRedraw()
{
    m_edit.UpdateLayout();
    m_edit.SetCaretOffset(m_edit.GetCaret(), true, false);
    m_editWnd->viewport()->repaint();
}

void CLuaEditor::OnSize(int cx, int cy)
{
    if (m_pStatusBar)
        m_pStatusBar->setGeometry(0, cy - kStatusHeight, cx, kStatusHeight);
    if (m_editWnd)
        m_editWnd->setGeometry(0, 0, cx, cy - kStatusHeight);
}

void CLuaEditor::UpdateTitle(bool force)
{
    if (!force && !m_edit.IsModified())
        return;
    setWindowTitle(QString::fromStdString(LuaEditorTitle(m_strPath, m_edit.IsModified())));
}

bool CLuaEditor::eventFilter(QObject* watched, QEvent* event)
{
    if (m_bWindow && watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this &&
        PreTranslateMessage(watched, event))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool CLuaEditor::PreTranslateMessage(QObject* target, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        // the first click has placed the caret: column 0 toggles a breakpoint
        if (m_editWnd && target->isWidgetType()) {
            auto* w = static_cast<QWidget*>(target);
            const bool inEdit = w == m_editWnd || m_editWnd->isAncestorOf(w);  // the control or its viewport
            if (inEdit && m_edit.GetCaretColumn() == 0)
                ToggleBreakpoint();
        }
        break;
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress: {
        if (!m_accel.IsLoaded())
            break;
        UpdateTitle(false);
        auto* key = static_cast<QKeyEvent*>(event);
        const int vk = platform::VirtualKeyFromQt(key->key(), key->modifiers() & Qt::KeypadModifier);
        const unsigned command = m_accel.Translate(vk, platform::ModifiersFromQt(unsigned(key->modifiers())));
        if (!command)
            break;
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();  // the key press that follows is ours
            return true;
        }
        OnCommand(command);
        UpdateTitle(false);
        return true;
    }
    case QEvent::KeyRelease:
    case QEvent::MouseButtonRelease:
        if (m_accel.IsLoaded())
            UpdateTitle(false);
        break;
    default:
        break;
    }
    return false;
}

void CLuaEditor::closeEvent(QCloseEvent* event)
{
    event->ignore();  // the editor hides and ends itself
    if (m_bWindow && isVisible() && !m_shutdownTimer.isActive())
        OnClose();
}

bool CLuaEditor::OnClose()
{
    if (!m_bWindow)
        return true;
    BusyScope busy(*this);
    if (!SaveOnClose())
        return false;
    // from here on the script neither waits for nor reaches this editor
    m_debug.Detach();
    showMinimized();
    if (m_hRunEvent) {
        m_hRunEvent->Reset();
        m_hRunEvent.reset();
    }
    if (m_debug.SingleStep()) {
        m_shutdownTimer.start(kShutdownDelayMs);
        return true;
    }
    Shutdown();
    return true;
}

void CLuaEditor::Shutdown()
{
    if (!m_bWindow)
        return;
    m_shutdownTimer.stop();
    hide();
    if (m_hDebugEvent) {
        m_hDebugEvent->Pulse();
        m_hDebugEvent.reset();
    }
    m_hCompileEvent.reset();
    m_debug.Detach();
    m_debug.ResetTraces();
    m_accel.Destroy();
    if (m_bFontSet) {
        m_editWnd->SetEditFont(m_hOldEditFont, true);
        m_bFontSet = false;
    }
    if (m_pFindDlg) {
        delete m_pFindDlg.data();
        m_pFindDlg = nullptr;
    }
    m_edit.Reset();
    delete m_pStatusBar;
    m_pStatusBar = nullptr;
    m_bWindow = false;
    qApp->removeEventFilter(this);
    emit Finished();
}

void CLuaEditor::RaiseForQuestion()
{
    if (isMinimized() || !isVisible())
        showNormal();
    raise();
    activateWindow();
}

void CLuaEditor::RejectDialogs()
{
    for (QDialog* dialog : findChildren<QDialog*>())
        if (dialog->isVisible() && dialog != m_pFindDlg.data())
            dialog->reject();
}

void CLuaEditor::DisposeWhenIdle()
{
    m_dispose = true;
    if (m_busy == 0)
        deleteLater();
}

void CLuaEditor::PrintList(const std::vector<std::string>& list)
{
    for (const std::string& s : list) {
        if (s.empty())
            break;
        CVersions::Print(false, "%s\r\n", s.c_str());
    }
}
