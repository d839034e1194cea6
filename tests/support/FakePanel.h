#pragma once

#include "core/Display.h"
#include "core/Station.h"
#include "core/StationShell.h"

#include <QImage>
#include <QVector>

#include <array>

namespace zetest {

// A list that only records what the program put into it.
class FakeList final : public ze::ItemList
{
public:
    void clearItems() override
    {
        texts.clear();
        data.clear();
    }
    void addItem(const QString &text, int value) override
    {
        texts << text;
        data << value;
    }
    void setBusy(bool busy) override { busyChanges << busy; }
    QStringList texts;
    QVector<int> data;
    QVector<bool> busyChanges;
};

// Every view of a station without widgets, for tests of the logic alone. Every lamp, choice and
// list is a plain member a test sets and reads.
class FakePanel final : public ze::Display,
                        public ze::OperatorChoices,
                        public ze::SpectrumSurface,
                        public ze::StatusPanel,
                        public ze::DialogService,
                        public ze::StationShell
{
public:
    FakePanel();

    // Every view at once, for Station::attach.
    ze::StationViews views() { return {this, this, this, this, this, this}; }

    // Display
    QString frequencyText() const override { return frequency; }
    void setFrequencyText(const QString &text) override { frequency = text; }
    QString channelText() const override { return channel; }
    void setChannelText(const QString &text) override { channel = text; }
    void showBank(int bank) override;
    bool modeLit(int index) const override { return modes.at(index); }
    void setModeLit(int index, bool lit) override { modes[index] = lit; }
    bool attenuatorLit() const override { return att; }
    void setAttenuatorLit(bool lit) override { att = lit; }
    void setPassLit(bool lit) override { pass = lit; }
    bool signalBarLit(int index) const override { return bars.at(index); }
    void setSignalBarLit(int index, bool lit) override { bars[index] = lit; }

    // StatusPanel
    void showStatus(const QString &text) override
    {
        status = text;
        statusLog << text;
        ++statusWrites;
    }
    QString statusText() const override { return status; }
    bool showsFrequency() const override { return displayChoice == 0; }
    int squelchValue() const override { return squelchPosition; }
    int stepValue() const override;
    bool writeToLogfile() const override { return logTicked; }
    bool spectrumTicked() const override { return spectrum; }
    QString delayText() const override { return delay; }
    bool bankTicked(int bank) const override { return ticked.at(bank - 1); }
    // SpectrumSurface, on an image of the size the original panel has in units
    void plot(const ze::SpectrumStep &step) override;
    void clear() override { image.fill(background); }
    void showPortState(const QString &text) override { portState = text; }
    void showNotice(ze::NoticeSource s, const QString &t) override { notice = notices.set(s, t); }
    void showRate(const QString &text) override { rate = text; }

    // DialogService: the operator says No and types nothing.
    void showMessage(const QString &, const QString &text, ze::MessageKind) override
    {
        errors << text;
    }
    bool askYesNo(const QString &, const QString &, bool) override { return false; }
    QString askText(const QString &, const QString &, const QString &) override { return {}; }
    int askChoice(const QString &, const QString &, const QStringList &, int) override { return -1; }
    QString askFileName(const QString &, const QStringList &, bool, int *) override { return {}; }
    void setBusy(bool busy) override { busyChanges << busy; }

    // StationShell
    void fillStepList(const QVector<QPair<QString, int>> &entries) override { steps = entries; }
    void setStepIndex(int index) override { stepIndexValue = index; }
    int stepIndex() const override { return stepIndexValue; }
    void setDelayText(const QString &text) override { delay = text; }
    void fillDelayList(const QStringList &entries) override { delayEntries = entries; }
    void setDisplayOption(int index) override { displayChoice = index; }
    int displayOption() const override { return displayChoice; }
    void setSquelch(int value) override { squelchPosition = value; }
    int squelch() const override { return squelchPosition; }
    void setBankNames(const QStringList &names) override { bankNames = names; }
    void selectFirstBank() override { }
    QString mainBankText() const override { return bankNames.value(0); }
    bool pickMainBank(const QString &) override { return false; }
    ze::ItemList &mainChannelList() override { return channels; }
    ze::ItemList &editorChannelList() override { return editorChannels; }
    ze::ItemList &mainRangeList() override { return rangeList; }
    ze::ItemList &editorRangeList() override { return editorRangeListValue; }
    void clearDisplay() override;
    void showMainWindow() override { ++shown; }
    void reportStartupError(const QString &text) override { startupErrors << text; }

    // Which mode lamps are lit, as letters ("" when none).
    QString litModes() const;
    // How many S-meter bars are lit.
    int litBars() const;

    QString frequency = QStringLiteral("0.0000");
    QString channel = QStringLiteral("00");
    int bank = 0;
    std::array<bool, 6> modes {};
    bool att = false;
    bool pass = false;
    std::array<bool, 11> bars {};
    QString status;
    QStringList statusLog; // every text shown, in order
    int statusWrites = 0;
    int displayChoice = 0;
    int squelchPosition = 2;
    QVector<QPair<QString, int>> steps;
    int stepIndexValue = -1;
    bool logTicked = false;
    bool spectrum = false;
    QString delay;
    QStringList delayEntries;
    std::array<bool, 4> ticked {{true, true, true, true}};
    QImage image;
    QRgb background;
    QString portState;
    QString rate;
    ze::Notices notices;
    QString notice; // the one showing
    QStringList errors;
    QVector<bool> busyChanges;
    QStringList bankNames;
    FakeList channels;
    FakeList editorChannels;
    FakeList rangeList;
    FakeList editorRangeListValue;
    int shown = 0;
    QStringList startupErrors;
};

} // namespace zetest
