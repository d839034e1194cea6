#pragma once

#include <QHash>
#include <QLabel>
#include <QRawFont>
#include <QVector>

namespace ze {

// A display readout: a plain-text label that a scan rewrites many times a second. It draws its
// text from glyphs looked up once per character instead of shaping the text on every paint, and
// falls back to the label's own drawing for anything its font cannot show glyph by glyph.
class Readout : public QLabel
{
    Q_OBJECT
public:
    explicit Readout(const QString &name, const QString &text, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Glyph
    {
        quint32 index = 0;
        qreal advance = 0;
    };
    // False when some character has no glyph of its own in the font.
    bool layOut(const QString &text);

    QRawFont m_rawFont;
    QHash<char16_t, Glyph> m_glyphs;
    QVector<quint32> m_indexes;
    QVector<QPointF> m_positions;
    qreal m_width = 0;
};

} // namespace ze
