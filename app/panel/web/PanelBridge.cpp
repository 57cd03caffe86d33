#include "app/panel/web/PanelBridge.h"

CPanelBridge::CPanelBridge(std::function<void(const PanelInputReport&)> onMouseUp, QObject* parent)
    : QObject(parent), m_onMouseUp(std::move(onMouseUp))
{
}

void CPanelBridge::inputMouseUp(const QString& className, const QString& name, bool checked, const QString& value)
{
    if (m_onMouseUp)
        m_onMouseUp(PanelInputReport{className.toStdString(), name.toStdString(), checked, value.toStdString()});
}
