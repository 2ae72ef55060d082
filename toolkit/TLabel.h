#pragma once

// TLabel: a caption that can act as a link: a click on it runs OnClick.

#include <QLabel>
#include <functional>

class TLabel : public QLabel {
    Q_OBJECT

public:
    explicit TLabel(const QString& caption = {}, QWidget* parent = nullptr);

    std::function<void()> OnClick;

    // Runs OnClick as a mouse click would.
    void Click();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
