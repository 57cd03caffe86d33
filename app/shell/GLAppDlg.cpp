#include "app/shell/GLAppDlg.h"

#include "app/script/ScriptStop.h"
#include "editor/window/LuaEditHost.h"
#include "foundation/core/DebugLink.h"
#include "foundation/core/InputState.h"
#include "foundation/core/Versions.h"
#include "platform/Clock.h"
#include "platform/DialogUnits.h"
#include "platform/GuiDispatcher.h"
#include "platform/Icon.h"
#include "platform/Profile.h"
#include "platform/VirtualKeys.h"
#include "platform/WindowPlacement.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QFont>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr const char* kPlacementSection = "Ostravellum";
constexpr const char* kPlacementEntry = "WinPos";
constexpr int kModifierRefreshMs = 50;  // below the modifier's 100 ms life
constexpr unsigned kIconId = 101;

} // namespace

CGLAppDlg::CGLAppDlg()
{
    platform::InitGuiDispatcher();
    IRenderHost& host = *this;
    m_loop = std::make_unique<CRenderLoop>(m_state, m_sceneDriver, &m_store, host, g_InputState);
    m_window.setFormat(CGLcontext::PixelFormat());
    m_window.setTitle("Quillmont");
    m_window.setIcon(platform::LoadIcon(kIconId));  // the small icon
    const platform::DialogBaseUnits base = platform::BaseUnitsFor(platform::DialogFont());
    m_window.resize(platform::DialogUnitsToPixelsX(kWidthDlu, base), platform::DialogUnitsToPixelsY(kHeightDlu, base));
    m_window.SetEventHandler([this](QEvent* e) { return OnEvent(e); });
    m_modifierTimer.setInterval(kModifierRefreshMs);
    QObject::connect(&m_modifierTimer, &QTimer::timeout, [this] {
        RefreshHeldModifiers();
        ReleaseStalledCapture();
    });
}

CGLAppDlg::~CGLAppDlg()
{
    Destroy();
    m_alive.reset();
}

int CGLAppDlg::DoModal()
{
    if (!OnInitDialog())
        return -1;
    QEventLoop loop;
    m_modalLoop = &loop;
    if (!m_destroyed)
        loop.exec();
    m_modalLoop = nullptr;
    return 0;
}

bool CGLAppDlg::OnInitDialog()
{
    RestorePlacement();
    m_sigThread = platform::CreateNamedEvent("SigThread", false, false);
    if (!m_sigThread)
        return false;
    m_window.setCursor(Qt::ArrowCursor);
    CVersions::Print(true, "#CLEAR");
    m_window.show();
    m_window.requestActivate();
    m_panel.Create(&m_window);
    OnSizeOrMove();
    m_modifierTimer.start();
    RequestScriptStop(false);
    m_renderThread = std::thread([this] { m_loop->Run(); });
    return true;
}

void CGLAppDlg::RestorePlacement()
{
    std::vector<uint8_t> record;
    if (!platform::profile::GetBinary(kPlacementSection, kPlacementEntry, record))
        return;
    const auto placement = platform::AcceptPlacement(record, platform::GetPlacement(m_window),
                                                     platform::CurrentDesktop(), platform::kMainWindowPlacementRule);
    if (placement)
        platform::SetPlacement(m_window, *placement);
}

void CGLAppDlg::SavePlacement()
{
    if (m_window.windowStates() & Qt::WindowMinimized)
        return;
    const auto bytes = platform::EncodePlacement(platform::GetPlacement(m_window));
    if (!platform::profile::WriteBinary(kPlacementSection, kPlacementEntry, bytes.data(), bytes.size()))
        CVersions::Print(false, "CGLAppDlg::OnClose cannot write the placement\n");
}

bool CGLAppDlg::CloseEditors()
{
    if (m_closingEditors)
        return false;  // the question of an earlier close is still open
    // the pointer and the keys are the user's again, so the question can be answered
    if (m_capture.IsActive())
        EndInputCapture();
    m_closingEditors = true;
    const bool closed = CLuaEditHost::CloseAll();
    m_closingEditors = false;
    return closed;
}

void CGLAppDlg::OnClose()
{
    if (m_destroyed || !CloseEditors())
        return;  // an editor kept its text: the program stays open
    SavePlacement();
    DestroyWindow();
}

bool CGLAppDlg::DestroyWindow()
{
    if (m_destroyed)
        return true;
    // the editors' question comes before anything of the shutdown
    if (!CloseEditors())
        return false;
    Destroy();
    return true;
}

void CGLAppDlg::Destroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    CLuaEditHost::CloseAll(false);  // any editor still open goes without asking
    m_modifierTimer.stop();
    StopRenderThread();
    if (m_capture.IsActive())
        m_capture.End();
    if (m_radarDrag)
        platform::ConfinePointer(m_window, false);
    g_InputState.SetCaptured(false);
    m_panel.OnDestroy();  // saves the item store
    m_window.destroy();
    if (m_modalLoop)
        m_modalLoop->quit();
}

void CGLAppDlg::StopRenderThread()
{
    // the links close, which releases a render thread stopped at a breakpoint
    CDebugLink::CloseAll();
    m_state.stopRequest = true;
    RequestScriptStop(true);  // a script in an endless loop ends too
    if (!m_renderThread.joinable())
        return;
    // keep serving the GUI (posted requests) until the render thread has freed the scene
    const auto ended = [this](uint32_t ms) {
        if (m_sigThread->Wait(ms))
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return false;
    };
    // stuck below the Lua VM (a finalizer, a C function): the stop request
    // cannot reach it, so the program ends without the render thread
    ScriptCall stuck;
    if (!WaitForThreadUnlessScriptStuck(ended, platform::NowMs() + kRenderThreadWaitMs, stuck))
        EndWithStuckScript(stuck.script);
    m_renderThread.join();
}

void CGLAppDlg::EndWithStuckScript(const std::string& script)
{
    m_scene.SaveUserWork();  // what the render thread has not saved yet
    m_panel.OnDestroy();
    CVersions::Print(false, "CGLAppDlg::StopRenderThread script %s did not return within %d s: the program ends\r\n",
                     script.c_str(), int(kRenderThreadWaitMs / 1000));
    std::_Exit(0);
}

void CGLAppDlg::Post(std::function<void()> fn)
{
    platform::PostToGui([this, alive = std::weak_ptr<int>(m_alive), fn = std::move(fn)] {
        if (alive.lock() && !m_destroyed)
            fn();
    });
}

bool CGLAppDlg::OnEvent(QEvent* e)
{
    if (m_destroyed)
        return e->type() != QEvent::Expose;
    switch (e->type()) {
    case QEvent::Close:
        e->accept();
        OnClose();
        return true;
    case QEvent::Resize:
    case QEvent::Move:
        OnSizeOrMove();
        return false;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        OnKey(static_cast<QKeyEvent*>(e), e->type() == QEvent::KeyPress);
        return true;
    case QEvent::MouseMove:
        OnMouseMove(static_cast<QMouseEvent*>(e));
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        OnMouseButton(static_cast<QMouseEvent*>(e), e->type() != QEvent::MouseButtonRelease);
        return true;
    case QEvent::Wheel: {
        const int delta = std::clamp(static_cast<QWheelEvent*>(e)->angleDelta().y(), -32768, 32767);
        if (m_capture.IsActive())
            HandleRawInput(platform::RawInputPacket::Mouse(platform::RawInputPacket::kWheel, 0, 0, int16_t(delta)));
        else
            shell::OnWheel(delta, g_InputState);
        return true;
    }
    case QEvent::FocusOut:
        // keys released while another window has the focus never reach us
        m_heldModifiers.Release(g_InputState);
        g_InputState.SetForward(0);
        g_InputState.SetStrafe(0);
        return false;
    default:
        return false;
    }
}

void CGLAppDlg::OnSizeOrMove()
{
    const qreal ratio = m_window.devicePixelRatio();
    m_state.clientWidth = int(m_window.width() * ratio);
    m_state.clientHeight = int(m_window.height() * ratio);
    m_state.resizeCounter = 2;
    m_panel.PlaceBesideOwner();
}

void CGLAppDlg::OnKey(QKeyEvent* e, bool down)
{
    // X11 auto-repeat sends release/press pairs: only the real release counts
    if (!down && e->isAutoRepeat())
        return;
    const int key = platform::VirtualKeyFromQt(e->key(), e->modifiers() & Qt::KeypadModifier);
    m_heldModifiers.OnKey(key, down, g_InputState);
    if (m_capture.IsActive()) {
        HandleRawInput(platform::RawInputPacket::Key(uint16_t(key), down));
        return;
    }
    if (key == platform::vk::kReturn)
        return;  // swallowed, as in a dialog without a default button
    Perform(down ? shell::OnKeyDown(key, m_heldModifiers, g_InputState, m_state)
                 : shell::OnKeyUp(key, m_heldModifiers, g_InputState));
}

void CGLAppDlg::RefreshHeldModifiers()
{
    if (!m_capture.IsActive() && m_heldModifiers.Refresh(g_InputState))
        ApplyCursor();
}

void CGLAppDlg::ReleaseStalledCapture()
{
    // the render thread ends a quiet capture; while it stands (a breakpoint, a long
    // script call, the scene loading) or hangs, the window lets go of pointer and keyboard
    if (m_capture.IsActive() && m_loop->CaptureStalled(g_InputState.Now()))
        EndInputCapture();
}

void CGLAppDlg::OnMouseMove(QMouseEvent* e)
{
    const qreal ratio = m_window.devicePixelRatio();
    const QPoint pos = e->position().toPoint();
    if (m_capture.IsActive()) {
        int dx = 0, dy = 0;
        if (m_capture.Motion(pos, dx, dy))
            HandleRawInput(platform::RawInputPacket::Mouse(0, int32_t(dx * ratio), int32_t(dy * ratio)));
        return;
    }
    const auto action = shell::OnMouseMove(int(pos.x() * ratio), int(pos.y() * ratio), g_InputState.Now(), g_InputState);
    if (action != shell::WindowAction::None)
        Perform(action);
    else if (QWindow* focus = QGuiApplication::focusWindow(); focus && focus == m_panel.windowHandle())
        m_window.requestActivate();  // the keys come back from the panel, never from an editor or a dialog
    ApplyCursor();
}

void CGLAppDlg::OnMouseButton(QMouseEvent* e, bool down)
{
    using Packet = platform::RawInputPacket;
    const bool doubleClick = e->type() == QEvent::MouseButtonDblClick;
    if (m_capture.IsActive()) {
        uint16_t flags = 0;
        if (e->button() == Qt::LeftButton)
            flags = down ? Packet::kLeftDown : Packet::kLeftUp;
        else if (e->button() == Qt::MiddleButton)
            flags = down ? Packet::kMiddleDown : Packet::kMiddleUp;
        else if (e->button() == Qt::RightButton)
            flags = down ? Packet::kRightDown : Packet::kRightUp;
        HandleRawInput(Packet::Mouse(flags));
        return;
    }
    switch (e->button()) {
    case Qt::LeftButton:
        if (doubleClick) {
            g_InputState.SetButton(CInputState::kButtonLeftDouble);
        } else if (down) {
            bool runDefault = true;
            Perform(shell::OnLeftButtonDown(e->modifiers() & Qt::ShiftModifier, g_InputState, runDefault));
        } else {
            g_InputState.SetButton(CInputState::kButtonNone);
            m_window.setCursor(Qt::ArrowCursor);
            m_cursorShape = -1;
            if (m_radarDrag)
                platform::ConfinePointer(m_window, false);
            m_radarDrag = false;
        }
        break;
    case Qt::RightButton:
        if (down)
            g_InputState.SetButton(CInputState::kButtonRightDown);
        break;
    case Qt::MiddleButton:
        if (down && !doubleClick) {
            g_InputState.SetButton(CInputState::kButtonMiddleDown);
            BeginInputCapture();
        }
        break;
    default: break;
    }
}

void CGLAppDlg::Perform(shell::WindowAction action)
{
    using shell::WindowAction;
    switch (action) {
    case WindowAction::Close: DestroyWindow(); break;
    case WindowAction::TogglePanel: m_panel.TogglePanel(); break;
    case WindowAction::MoveCursor:
        m_window.setCursor(Qt::SizeAllCursor);
        m_cursorShape = -1;
        break;
    case WindowAction::ArrowCursor:
        m_window.setCursor(Qt::ArrowCursor);
        m_cursorShape = -1;
        break;
    case WindowAction::BeginCapture: BeginInputCapture(); break;
    case WindowAction::StartRadarDrag:
        m_window.setCursor(Qt::SizeAllCursor);
        m_cursorShape = -1;
        m_radarDrag = platform::ConfinePointer(m_window, true);
        break;
    case WindowAction::None: break;
    }
}

void CGLAppDlg::ApplyCursor()
{
    if (m_capture.IsActive() || m_radarDrag)
        return;
    const auto choice = shell::ChooseClientCursor(g_InputState.IsOverlayHit(), g_InputState.GetModifier(),
                                                  g_InputState.IsEditMode());
    if (int(choice) == m_cursorShape)
        return;
    m_cursorShape = int(choice);
    switch (choice) {
    case shell::CursorChoice::Hidden: m_window.setCursor(Qt::BlankCursor); break;
    case shell::CursorChoice::SizeAll: m_window.setCursor(Qt::SizeAllCursor); break;
    case shell::CursorChoice::Default: m_window.setCursor(Qt::ArrowCursor); break;
    }
}

void CGLAppDlg::BeginInputCapture()
{
    if (!m_capture.IsActive()) {
        m_decoder.Reset(g_InputState.GetForward(), g_InputState.GetStrafe());
        m_capture.Begin();
    }
    g_InputState.SetCaptured(true);
}

void CGLAppDlg::EndInputCapture()
{
    g_InputState.SetCaptured(false);
    m_capture.End();
    m_cursorShape = -1;
}

void CGLAppDlg::HandleRawInput(const platform::RawInputPacket& packet)
{
    if (m_decoder.Handle(packet, g_InputState) == CRawInputDecoder::Result::Close)
        DestroyWindow();
}

void CGLAppDlg::ApplyFullScreen(bool on)
{
    if (on == m_fullScreenApplied)
        return;
    m_fullScreenApplied = on;
    const QRect screen = m_window.screen() ? m_window.screen()->geometry() : QRect(0, 0, 1024, 768);
    if (on) {
        m_window.setFlags(m_window.flags() | Qt::FramelessWindowHint);
        m_window.setGeometry(0, 0, screen.width(), screen.height());
    } else {
        m_window.setFlags(m_window.flags() & ~Qt::FramelessWindowHint);
        const int x0 = screen.width() / 10, y0 = screen.height() / 10;
        m_window.setGeometry(x0, y0, int(screen.width() * 0.9) - x0, int(screen.height() * 0.9) - y0);
        m_window.showNormal();
    }
}

// --- render thread side ---

bool CGLAppDlg::InitGL() { return m_glContext.InitGL(&m_window); }

void CGLAppDlg::ReleaseGL() { m_glContext.Release(); }

void CGLAppDlg::SetVSync(bool on) { m_glContext.SetVSync(on); }

void CGLAppDlg::PostShowPanel()
{
    Post([this] { m_panel.ShowPanel(true); });
}

void CGLAppDlg::PostFullScreen(bool on)
{
    Post([this, on] { ApplyFullScreen(on); });
}

void CGLAppDlg::PostEndInputCapture()
{
    Post([this] {
        // a capture begun again since the render thread let go stays
        if (!g_InputState.IsCaptured())
            EndInputCapture();
    });
}

void CGLAppDlg::ThreadEnded() { m_sigThread->Set(); }
