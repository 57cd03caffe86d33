#pragma once
#include "editor/status/StatusPanes.h"

#include <QPointer>
#include <QWidget>

#include <map>

// A status bar whose panes can host child controls that follow them when the bar
// is resized, and whose panes can be inserted and removed by id.
class CCJStatusBar : public QWidget {
    Q_OBJECT
public:
    explicit CCJStatusBar(QWidget* parent = nullptr);
    // Controls hosted without auto-delete are handed back to no parent, hidden,
    // so their owner deletes them once.
    ~CCJStatusBar() override;

    bool SetIndicators(const std::vector<unsigned>& ids);
    bool AddControl(QWidget* control, unsigned paneId, bool autoDelete = true);
    QWidget* GetPaneControl(unsigned paneId) const;
    void SetPaneWidth(int index, int width);
    bool AddIndicator(int position, unsigned id);
    bool GetPane(int index, CCJStatusBarPane& pane) const { return model_.GetPane(index, pane); }
    void RemoveIndicator(unsigned id);
    void SetPaneText(int index, const std::wstring& text);
    void PositionControls();
    Rect GetItemRect(int index) const { return model_.GetItemRect(index, width(), height()); }
    const StatusPaneModel& Model() const { return model_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    StatusPaneModel model_;
    std::map<int, QPointer<QWidget>> controls_;
    int nextToken_ = 1;
};
