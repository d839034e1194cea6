#pragma once

#include <QHash>
#include <QLabel>
#include <QRawFont>
#include <QVector>

#include <optional>

namespace ze {

// A display readout: a plain-text label that a scan rewrites many times a second. It draws its
// text from glyphs looked up once per character instead of shaping the text on every paint, and
// falls back to the label's own drawing for anything its font cannot show glyph by glyph.
class Readout : public QLabel
{
    Q_OBJECT
public:
    explicit Readout(const QString &name, const QString &text, QWidget *parent = nullptr);

    // Sets the text and repaints only the glyphs that differ from the last: a search changes the
    // last digits of the frequency, not the whole readout.
    void showText(const QString &text);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    struct Glyph
    {
        quint32 index = 0;
        qreal advance = 0;
    };
    struct Line
    {
        QVector<quint32> indexes;
        QVector<QPointF> positions;
        QPointF origin;
    };
    // False when some character has no glyph of its own in the font.
    bool layOut(const QString &text, Line &line);
    // Where the old and the new text are drawn differently; none when that cannot be told.
    std::optional<QRect> changedArea(const QString &before, const QString &after);

    QRawFont m_rawFont;
    QHash<char16_t, Glyph> m_glyphs;
    Line m_line;
    Line m_before;
};

} // namespace ze
