// The bank and range editors as the operator drives them, against the simulated receiver.
#include "FileHelpers.h"
#include "UiFixture.h"
#include "storage/BankFile.h"
#include "ui/BankEditor.h"
#include "ui/RangeEditor.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QWindow>
#include <QtTest>

using namespace ze;

namespace {

// Channel 1-1 in mode A; 1-2 without a mode, with ATT.
const QByteArray alpha = " 1 \t 1 \tA\t145.5000\t 0 \t 0 \t 0 \tOne\r\n"
                         " 1 \t 2 \t\t145.6000\t 0 \t 1 \t 0 \tTwo\r\n";
const QByteArray beta = " 2 \t 2 \tW\t98.5000\t 0 \t 0 \t 0 \tRadio\r\n";
// Location 1 replaces channel 1-1, 250 is new; the row refused starts on line 5.
const QByteArray csv
        = "Location,Name,Frequency,Mode\r\n1,\"Uno,\r\nnuevo\",145.5,AM\r\n250,Two fifty,"
          "430,FM\r\n399,x,9999,FM\r\n";
const QByteArray ranges = "118\t137\tA\t0.025\tAir band\r\n156\t163\tN\t0.025\tMarine\r\n";

// Bank x 100 + channel of each channel in a bank file ("L" after one kept in Latin-1), "?" for
// each line passed over; "x" when the file cannot be read.
QString saved(const QString &path)
{
    Banks banks;
    const BankLoadResult read = readBankFile(path, banks);
    QStringList out(read.linesSkipped, "?");
    for (int i = 100; i < 500; ++i)
        if (!banks(i / 100, i % 100).isEmpty())
            out << QString::number(i) + (banks(i / 100, i % 100).latin1 ? "L" : "");
    return read.opened ? out.join(' ') : "x";
}

// "text:data" of every entry, then the selected position.
QString entries(QComboBox *list)
{
    if (list->count() > 9)
        return QString::number(list->count()) + " entries";
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->itemText(i) + ':' + list->itemData(i).toString();
    return out.join(' ') + " @" + QString::number(list->currentIndex());
}

// The texts, then the chosen option of each group and the boxes.
QString fields(QWidget *window)
{
    QStringList out;
    for (QLineEdit *edit : window->findChildren<QLineEdit *>())
        out << edit->text();
    for (QButtonGroup *group : window->findChildren<QButtonGroup *>())
        out << QString::number(group->checkedId());
    for (QCheckBox *box : window->findChildren<QCheckBox *>())
        out << QString::number(box->isChecked());
    return out.join('|');
}

// Step after step: "name" clicks the control, "name=text" types into it, "name>" presses Down.
void operate(QWidget *window, const QString &steps)
{
    for (const QString &step : steps.split(';', Qt::SkipEmptyParts)) {
        auto *control = window->findChild<QWidget *>(step.section('=', 0, 0).remove('>'));
        QVERIFY2(control, qPrintable(step));
        if (step.contains('='))
            static_cast<QLineEdit *>(control)->setText(step.section('=', 1));
        else if (step.endsWith('>'))
            QTest::keyClick(control, Qt::Key_Down);
        else
            static_cast<QAbstractButton *>(control)->click();
    }
}

// The whole program on the banks "alpha" and "beta", with one editor open.
struct Editors : zetest::UiFixture
{
    // An empty alpha.bnk becomes a sparse file too large to read.
    bool open(const QByteArray &bank, const char *button, const QByteArray &rangeFile = ranges,
              const char *scenario = "pacing off")
    {
        zesim::Scenario receiver;
        if (zesim::parseScenario(scenario, receiver, nullptr))
            sim.setScenario(receiver);
        writeFile("alpha.bnk", bank);
        writeFile("beta.bnk", beta);
        writeFile("range.rng", rangeFile);
        QFile big(path("alpha.bnk"));
        const bool made = !bank.isEmpty()
                || (big.open(QIODevice::WriteOnly) && big.resize(maxDataFileBytes + 1));
        const bool started = made && startUp();
        // Questions and messages in one list, the messages up to their first colon.
        app->window().dialogs().setMessageSink(
                [this](auto &, auto &text) { questions << text.section(':', 0, 0); });
        click(button);
        return started;
    }
    // Alpha's channels and the editor's list, then what else changed: the bank in use (station,
    // main window), other bank files, the selected line's fields, the editor hidden, stores sent.
    QString bankState()
    {
        EditBank &editor = app->window().bankEditor();
        QListWidget *list = editor.channelList();
        QStringList listed;
        for (int i = 0; i < list->count(); ++i)
            listed << list->item(i)->data(Qt::UserRole).toString();
        QStringList out {saved(path("alpha.bnk")), listed.join(' ')};
        const QString bank = app->station().state().currentBankName + ' '
                + app->window().mainBankText() + ' ' + editor.bankList()->currentText();
        if (bank != "alpha alpha alpha")
            out << ("bank " + bank).trimmed();
        for (const QString &name : QDir(dir()).entryList({"*.bnk*"}, QDir::Files))
            if (name != "alpha.bnk" && readFile(name) != beta)
                out << name + ' ' + saved(path(name));
        if (list->currentRow() >= 0)
            out << QString("line %1: ").arg(list->currentRow()) + fields(&editor);
        if (!editor.isVisible())
            out << "hidden";
        for (const std::string &command : sent())
            if (command.find('M') != std::string::npos)
                out << QString::fromStdString(command);
        return out.join(" / ");
    }
    // The fields, the editor's list, the main window's list, the range file, the editor hidden.
    QString rangeState()
    {
        EditRange &editor = app->window().rangeEditor();
        QStringList out {fields(&editor), entries(editor.rangeList()),
                         entries(widget<QComboBox>("cmbRangeLijst")), readFile("range.rng")};
        if (!editor.isVisible())
            out << "hidden";
        return out.join(" / ");
    }
};

} // namespace

class TestEditors : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editors_data();
    void editors();
    void editorsStayInFrontWithoutTheFocus();
};

void TestEditors::editors_data()
{
    QTest::addColumn<QString>("editor"); // the main window's button that opens it
    QTest::addColumn<QByteArray>("bytes"); // its file: "alpha.bnk" (none: too large), "range.rng"
    QTest::addColumn<bool>("memory"); // the receiver's memory holds channels 1-5 and 3-7
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QStringList>("told"); // questions and messages
    auto bank = [](const char *name, const QString &steps, const QString &state,
                   const QStringList &answers = {}, const QStringList &told = {},
                   const QByteArray &bytes = alpha, bool memory = false) {
        QTest::newRow(name) << QString("cmdEditBanks") << bytes << memory << steps << answers
                            << state << told;
    };
    // "New", then channel, description and frequency typed, and "Ok": bank 1, none being chosen.
    auto store = [](const QString &channel) {
        return "cmdEditChannelNew;txtEditChannelChannel=" + channel
                + ";txtEditChannelDescription= é ;txtEditChannelFrequency=3.0000;cmdEditChannelOk";
    };
    const QString pick = "lstKanaalLijst>;lstKanaalLijst>;"; // channel 1-2, with the keys
    const QString kept = "101 102 / 101 102";
    // Fields: channel, description, frequency, bank and mode options, ATT, "Ch pass".
    bank("empty channel text is 0", store(""), "100 101 102 / 100 101 102");
    bank("5x is 5", store("5x"), "101 102 105 / 101 102 105");
    bank("-1 refused", store("-1"), kept, {}, {"Channel out of range (0-99)"});
    bank("99 accepted", store("99"), "101 102 199 / 101 102 199");
    bank("half rounds to even", store(".5"), "100 101 102 / 100 101 102");
    // Blanks around a description are dropped, as the file drops them.
    bank("keys fill the fields, the description as the file keeps it; no mode is the first",
         pick + "txtEditChannelDescription=  Two\t;cmdEditChannelOk",
         kept + " / line 1: 2|Two|145.6000|0|0|1|0");
    bank("a frequency the receiver cannot tune is refused, the fields kept",
         pick + "txtEditChannelFrequency=abc;cmdEditChannelOk",
         kept + " / line 1: 2|Two|abc|0|0|1|0", {}, {"The channel was not stored"});
    bank("a line ahead moves the selection", pick + "txtEditChannelChannel=0;cmdEditChannelOk",
         "100 101 102 / 100 101 102 / line 1: 1|One|145.5000|0|2|0|0");
    bank("empty frequency empties the slot; none selected beyond the end",
         pick + "txtEditChannelFrequency=;cmdEditChannelOk", "101 / 101");
    bank("channel Delete", pick + "cmdEditChannelDelete", "101 / 101");
    bank("a channel typed into a slot emptied is UTF-8",
         pick + "cmdEditChannelDelete;" + store("2"), kept, {}, {},
         QByteArray(alpha).replace("Two", "Tw\xF6"));
    bank("read from memory, saved by Close", "cmdReadBanks;cmdEditBankClose",
         "105 307 / 105 307 / hidden", {}, {}, alpha, true);
    const QString nothingRead = "Read from memory|No channel could be read from the receiver's "
                                "memory. Empty the channel table all the same?";
    bank("nothing read, No: the table stays", "cmdReadBanks", kept, {"No"}, {nothingRead});
    bank("store into memory", "cmdStoreBanks", kept + " / 1M145.5000AT / 2M145.6000R");

    const QString askName = " New Bank|Enter the name of the new bank";
    bank("new bank: renamed, the box names it", "cmdNewBank", kept + " / bank fresh alpha fresh",
         {"fresh"}, {askName});
    bank("new bank: made by the next save; Close shows it",
         "cmdNewBank;" + store("3") + ";cmdEditBankClose",
         "101 102 / 101 102 103 / bank fresh fresh fresh / fresh.bnk 101 102 103 / hidden",
         {"fresh"}, {askName});
    const QString longest(240, 'n');
    bank("new bank: the longest name fits", "cmdNewBank;" + store("3"),
         QString("101 102 / 101 102 103 / bank %1 alpha %1 / %1.bnk 101 102 103").arg(longest),
         {longest}, {askName});
    for (const QString &name :
         QStringList {"../up", "sub/x", "a\\b", "..", ".hidden", "a\tb", "   ", "n" + longest})
        bank(qPrintable("new bank refused: " + name.left(9)), "cmdNewBank", kept, {name},
             {askName, '"' + name + "\" cannot be the name of a bank"});
    const QString askDelete = "Deleteing bank|Do you want to delete this bank";
    bank("delete bank, No", "cmdDeleteBank", kept, {"No"}, {askDelete});
    bank("delete bank, Yes", "cmdDeleteBank", "x / 101 102 / bank beta beta / hidden", {"Yes"},
         {askDelete});

    bank("unreadable file: save refused", store("3"), "x / 103", {},
         {"The bank file \"alpha.bnk\" could not be read when it was loaded (The file is too "
          "large.), so it is not saved"},
         QByteArray());
    const QString dropped = "ZE3000r|1 line of \"alpha.bnk\" could not be read when it was "
                            "loaded; saving drops it. The old file is kept as \"alpha.bnk.bak\". "
                            "Save?";
    bank("line passed over, No", store("3"), "? 101 102 / 101 102 103", {"No"}, {dropped},
         "junk\r\n" + alpha);
    bank("line passed over, Yes", store("3"), "101 102 103 / 101 102 103 / alpha.bnk.bak ? 101 102",
         {"Yes"}, {dropped}, "junk\r\n" + alpha);
    bank("full disk", store("3"), "101 102 / 101 102 103", {},
         {"The bank file \"alpha.bnk\" could not be saved"});

    const QString pickCsv = "Import CSV|CSV files (*.csv)\nAll files (*)";
    const QString preview
            = "Import CSV|\"in.csv\" (channel list): 2 channels to import, replacing 1 "
              "channel in the banks.\n\n1 row refused:\nline 5: Frequency \"9999\" is "
              "outside 0.1 to 2036 MHz\n\nImport into the bank file \"alpha\"?";
    bank("CSV import previewed, No", "cmdImportCsv", kept, {"in.csv", "No"}, {pickCsv, preview});
    bank("CSV import, Yes", "cmdImportCsv", "101 102 350 / 101 102 350", {"in.csv", "Yes"},
         {pickCsv, preview});
    bank("CSV export, a channel deleted, import",
         "cmdExportCsv;" + pick + "cmdEditChannelDelete;cmdImportCsv", kept,
         {"out.csv\t1", "out.csv", "Yes"},
         {"Export CSV|Channel list (*.csv)\nBank fields (*.csv)", pickCsv,
          "Import CSV|\"out.csv\" (bank fields): 2 channels to import.\n\nImport into the bank "
          "file \"alpha\"?"});

    auto range = [](const char *name, const QString &steps, const QStringList &answers,
                    const QString &state, const QByteArray &bytes = ranges,
                    const QStringList &told = {}) {
        QTest::newRow(name) << QString("cmdSearchEdit") << bytes << false << steps << answers
                            << state
                            << QStringList(answers.size(), "Newrange|Give a name for the range")
                        + told;
    };
    // Fields: description, from, to, step, mode option.
    const QString fill = ";txtEditRangeFrom=118.0000;txtEditRangeTo=137.0000;txtEditRangeStep="
                         "0.0250;optEditRangeMode(2);cmdEditChannelOk";
    const QString added = "118.0000\t137.0000\tA\t0.0250\t";
    range("new range stored in field order; Close",
          "cmdEditChannelNew" + fill + ";cmdEditBankClose", {"West band"},
          "West band|118.0000|137.0000|0.0250|2 / Air band:0 Marine:1 West band:2 @2 / Air "
          "band:0 Marine:1 West band:2 @-1 / "
                  + ranges + added + "West band\r\n / hidden");
    // The range typed into the slot of a Latin-1 one is UTF-8.
    range("deleted slot reused with its old To, Step, Mode",
          "cmbRangeLijst>;cmdEditChannelDelete;cmdEditChannelNew;txtEditRangeFrom=1;"
          "cmdEditChannelOk",
          {"Wést"},
          "Marine|156|163|0.025|0 / Wést:0 Marine:1 @1 / Wést:0 Marine:1 @-1 / "
          "1\t137\tA\t0.025\tWést\r\n156\t163\tN\t0.025\tMarine\r\n",
          QByteArray(ranges).replace("Air band", "Air b\xE4nd"));
    // A step of 0 would keep the search on one frequency; To below From, too.
    range("step 0 refused, the fields kept",
          "cmdEditChannelNew;txtEditRangeFrom=118;txtEditRangeTo=137;txtEditRangeStep=0;"
          "cmdEditChannelOk",
          {"Zero"},
          "Zero|118|137|0|0 / Air band:0 Marine:1 Zero:2 @2 / Air band:0 Marine:1 @-1 / " + ranges,
          ranges, {"The range was not stored"});
    range("two new take one slot", "cmdEditChannelNew;cmdEditChannelNew", {"West", "East"},
          "East||||0 / Air band:0 Marine:1 West:2 East:2 @3 / Air band:0 Marine:1 @-1 / " + ranges);
    const QByteArray full = QByteArray("1\t2\tN\t0.1\tr\r\n").repeated(Ranges::count);
    QTest::newRow("no range slot left: told, nothing asked")
            << QString("cmdSearchEdit") << full << false << "cmdEditChannelNew"
            << QStringList {"West"} << QString("||||-1 / 100 entries / 100 entries / " + full)
            << QStringList {"All 100 ranges are in use. Delete one before adding another."};
}

void TestEditors::editors()
{
    QFETCH(QString, editor);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, memory);
    QFETCH(QString, steps);
    QFETCH(QStringList, answers);
    const bool banks = editor == "cmdEditBanks";
    Editors f;
    QVERIFY(f.open(banks ? bytes : alpha, qPrintable(editor), banks ? ranges : bytes,
                   memory ? "pacing off\nchannel 1 5 145.5 N\nchannel 3 7 118.1 A" : "pacing off"));
    f.answers = answers;
    f.writeFile("in.csv", csv);
    MainWindow &main = f.app->window();
    QWidget *window = banks ? static_cast<QWidget *>(&main.bankEditor()) : &main.rangeEditor();
    if (QTest::currentDataTag() == QByteArray("full disk"))
        QVERIFY(zetest::withFileSizeLimit(16, [&] { operate(window, steps); }));
    else
        operate(window, steps);
    QTEST(banks ? f.bankState() : f.rangeState(), "state");
    QTEST(f.questions, "told");
}

void TestEditors::editorsStayInFrontWithoutTheFocus()
{
    Editors f;
    QVERIFY(f.open(alpha, "cmdEditBanks"));
    f.click("cmdSearchEdit");
    MainWindow &main = f.app->window();
    main.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &main);
    QCoreApplication::processEvents(); // where an editor would take the focus back
    QCOMPARE(QApplication::activeWindow(), &main);
    for (QWidget *editor :
         std::initializer_list<QWidget *> {&main.bankEditor(), &main.rangeEditor()})
        QVERIFY(editor->isVisible()
                && editor->windowHandle()->transientParent() == main.windowHandle());
}

QTEST_MAIN(TestEditors)
#include "test_editors.moc"
