#pragma once

#include <QImage>
#include <QWidget>

// A picture stretched to fill its box, whatever the box's proportions.
class TImage : public QWidget {
    Q_OBJECT

public:
    explicit TImage(QWidget* parent = nullptr);

    const QImage& Picture() const { return FPicture; }
    void SetPicture(const QImage& picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage FPicture;
};
