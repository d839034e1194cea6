#pragma once

#include <QLabel>

namespace ze {

// A lamp of the receiver's display, or one bar of its S-meter when it has no caption. Lit or dark
// it keeps its place and is never hidden: hiding or showing a widget lays the window out again,
// while a lamp that changes repaints itself alone.
class Lamp : public QLabel
{
    Q_OBJECT
public:
    explicit Lamp(const QString &caption, QWidget *parent = nullptr);

    bool isLit() const { return m_lit; }
    void setLit(bool lit);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_lit = true;
};

} // namespace ze
