#include "ui/Dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

namespace ze {

WidgetDialogs::WidgetDialogs(QWidget *fallback, QString workingDirectory)
    : m_fallback(fallback)
    , m_workingDirectory(std::move(workingDirectory))
{
}

QWidget *WidgetDialogs::parent() const
{
    // Over the window that asked, an editor as often as not.
    QWidget *active = QApplication::activeWindow();
    return active ? active : m_fallback;
}

void WidgetDialogs::showMessage(const QString &title, const QString &text, MessageKind kind)
{
    if (m_messageSink) {
        m_messageSink(title, text);
        return;
    }
    // File and bank names are plain text.
    QMessageBox box(kind == MessageKind::Warning ? QMessageBox::Warning : QMessageBox::Information,
                    title, text, QMessageBox::Ok, parent());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool WidgetDialogs::askYesNo(const QString &title, const QString &text, bool defaultYes)
{
    if (m_answerSource)
        return m_answerSource(title, text) == QLatin1String("Yes");
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No, parent());
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

QString WidgetDialogs::askText(const QString &title, const QString &prompt, const QString &proposed)
{
    if (m_answerSource)
        return m_answerSource(title, prompt);
    QInputDialog box(parent());
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(proposed);
    // The prompt may quote a file name.
    if (auto *label = box.findChild<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

int WidgetDialogs::askChoice(const QString &title, const QString &prompt,
                             const QStringList &choices, int current)
{
    if (m_answerSource)
        return int(choices.indexOf(m_answerSource(title, prompt)));
    QInputDialog box(parent());
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setComboBoxItems(choices);
    box.setComboBoxEditable(false);
    box.setTextValue(choices.value(current));
    if (auto *label = box.findChild<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    return box.exec() == QDialog::Accepted ? int(choices.indexOf(box.textValue())) : -1;
}

QString WidgetDialogs::askFileName(const QString &title, const QStringList &filters, bool save,
                                   int *filter)
{
    int chosen = 0;
    QString name;
    if (m_answerSource) {
        const QString answer = m_answerSource(title, filters.join(QLatin1Char('\n')));
        name = answer.section(QLatin1Char('\t'), 0, 0);
        chosen = answer.section(QLatin1Char('\t'), 1).toInt();
    } else {
        QFileDialog dialog(parent(), title, m_workingDirectory);
        // The desktop's own dialog needs the GLib event loop, which the program runs without.
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dialog.setNameFilters(filters);
        // A name typed without an extension gets the first filter's.
        const QString first = filters.value(0);
        const qsizetype star = first.indexOf(QLatin1String("*."));
        QString suffix;
        for (qsizetype i = star + 2; star >= 0 && i < first.size() && first[i].isLetterOrNumber();
             ++i)
            suffix += first[i];
        if (save && !suffix.isEmpty())
            dialog.setDefaultSuffix(suffix);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            name = dialog.selectedFiles().constFirst();
            chosen = int(filters.indexOf(dialog.selectedNameFilter()));
        }
    }
    if (filter)
        *filter = qBound(0, chosen, int(qMax(filters.size(), qsizetype {1})) - 1);
    return name;
}

void WidgetDialogs::setBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

} // namespace ze
