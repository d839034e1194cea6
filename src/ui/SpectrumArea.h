#pragma once

#include "core/Views.h"
#include "storage/DataFile.h"
#include "ui/SweepHistory.h"

#include <QPointer>
#include <QWidget>

#include <array>

class QCheckBox;

namespace ze {

class SpectrumView;
class Pacer;
class Station;
class WaterfallView;

// The spectrum plot with the waterfall of the last sweeps under it: the station's spectrum
// surface. A range search draws both while "Spectrum" is ticked, and so does
// a bank scan into the waterfall, one column per channel of the ticked banks. A click in the
// waterfall tunes there, its menu locks a frequency out or searches from it and saves the
// picture or the sweeps. It takes the room its window gives it, and it can have a window of its
// own ("Spectrum") and come back.
class SpectrumArea : public QWidget, public SpectrumSurface
{
    Q_OBJECT
public:
    SpectrumArea(Station &station, Pacer &pacer, QWidget *parent = nullptr);

    SpectrumView *plotView() const { return m_plot; }
    WaterfallView *waterfall() const { return m_waterfall; }
    const SweepHistory &history() const { return m_history; }
    // The ticks of the traces, for the window to place beside its other controls: they stay
    // there while the area is away.
    QCheckBox *peakTick() const { return m_peak; }
    QCheckBox *averageTick() const { return m_average; }

    // SpectrumSurface
    void plot(const SpectrumStep &step) override;
    void clear() override;

    // A bank scan measured a channel.
    void channelMeasured(int bank, int channel, int level);

    // The window of its own, made at the first detach; null before.
    QWidget *ownWindow() const { return m_window; }
    bool detached() const { return m_home != nullptr; }
    void detach();
    void attach();

Q_SIGNALS:
    void detachedChanged(bool detached);

public:
    // The operator's acts on a column of the waterfall.
    void tuneColumn(int column);
    void lockOutColumn(int column);
    void searchFromColumn(int column);
    // Asks for a file and saves; a failure is told. Public for the menu and the tests.
    void savePicture();
    void saveSweeps();
    QByteArray pictureBytes();
    QByteArray sweepsCsv() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showMenu(int column, const QPoint &globalPos);
    void measured(const SweepColumns &columns, int column, int level);
    SweepColumns bankColumns() const;
    void tracesChanged();
    void saveAs(const QString &title, const QString &filter, const QString &suffix,
                const QByteArray &bytes);

    Station &m_station;
    SweepHistory m_history;
    SpectrumView *m_plot;
    WaterfallView *m_waterfall;
    QCheckBox *m_peak;
    QCheckBox *m_average;
    // Column of each bank × 100 + channel in a bank scan's history, -1 for none.
    std::array<int, 500> m_channelColumn {};
    QPointer<QWidget> m_window;
    // Where the area stood in the main window while it is detached.
    QPointer<QWidget> m_home;
    int m_homeIndex = -1;
};

} // namespace ze
