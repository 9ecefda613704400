#pragma once

#include <QLabel>

// A label that acts as a web link: a hand cursor and a click; as text, blue and underlined.
class TLinkLabel : public QLabel {
    Q_OBJECT
public:
    explicit TLinkLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
