#pragma once
#include "app/panel/PanelRules.h"

#include <QObject>
#include <QString>
#include <functional>

// The object the panel page's injected listener talks to over the web channel.
class CPanelBridge : public QObject {
    Q_OBJECT
public:
    explicit CPanelBridge(std::function<void(const PanelInputReport&)> onMouseUp, QObject* parent = nullptr);

    // A mouse-up on an input element, read from its properties.
    Q_INVOKABLE void inputMouseUp(const QString& className, const QString& name, bool checked, const QString& value);

private:
    std::function<void(const PanelInputReport&)> m_onMouseUp;
};
