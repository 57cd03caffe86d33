// CEditCtrlWidget: printing the text page by page.
#include "editor/editctrl/widget/EditCtrlWidget.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>

bool CEditCtrlWidget::Print()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, false);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    return PrintTo(printer) > 0;
}

int CEditCtrlWidget::PrintTo(QPrinter& printer)
{
    if (printer.docName().isEmpty())
        printer.setDocName(QGuiApplication::applicationDisplayName());
    // the screen font scaled to the printer's resolution; the system font is
    // the printer's own already
    QFont font = m_fonts.text;
    if (font.family().compare(QGuiApplication::font().family(), Qt::CaseInsensitive) == 0) {
        font = QGuiApplication::font();
    } else if (font.pixelSize() > 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const double screenDpiY = screen ? screen->logicalDotsPerInchY() : 96.0;
        font.setPixelSize(std::max(1, int(font.pixelSize() * printer.logicalDpiY() / screenDpiY + 0.5)));
    }
    CQtEditMeasurer measurer(font, &printer);
    EditPaintFonts fonts{font, font, measurer.Ascent(), {}};
    fonts.link.setUnderline(true);

    QPainter painter;
    if (!painter.begin(&printer))
        return 0;
    const EcRect page{0, 0, printer.width(), printer.height()};
    int printed = 0;
    for (int number = 1;; ++number) {
        bool more = false;
        if (!m_ctrl.BeginPrintPage(&measurer, page, number, more)) {
            m_ctrl.EndPrintPage();
            break;
        }
        if (printed > 0 && !printer.newPage()) {
            m_ctrl.EndPrintPage();
            painter.end();
            return printed;
        }
        const EcRect& rt = m_ctrl.GetTextRect();
        PaintEditText(m_ctrl, painter, QRect(rt.left, rt.top, rt.Width(), rt.Height()), fonts, true);
        m_ctrl.EndPrintPage();
        ++printed;
        if (!more)
            break;
    }
    painter.end();
    return printed;
}
