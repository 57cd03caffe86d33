#pragma once
// The edit control's clipboard and drag source on Qt: bytes of the control's
// code page as Unicode text, the column format as a format of its own.

#include "editor/editctrl/EditPorts.h"

class QWidget;

class CQtEditClipboard : public IEditClipboard
{
public:
    static constexpr const char* kColumnFormat = "application/x-quillmont-column-select";
    bool SetText(const std::string& bytes, bool columnFormat) override;
    bool HasText() const override;
    bool GetText(std::string& bytes, bool& column) const override;
};

class CQtEditDragSource : public IEditDragSource
{
public:
    explicit CQtEditDragSource(QWidget* source) : m_source(source) {}
    int RunDrag(const std::string& bytes, EcPoint& cursorAtEnd) override;

private:
    QWidget* m_source;
};
