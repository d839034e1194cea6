#pragma once

#include "core/Views.h"

#include <functional>

class QWidget;

namespace ze {

// The station's dialogs as message boxes, questions, input boxes and the program's file dialog,
// over the window the operator works in.
class WidgetDialogs final : public DialogService
{
public:
    // Dialogs without a window of the operator's stand over fallback.
    WidgetDialogs(QWidget *fallback, QString workingDirectory);

    // Message boxes go to the sink instead when one is set, so tests are not stopped by them.
    using MessageSink = std::function<void(const QString &title, const QString &text)>;
    void setMessageSink(MessageSink sink) { m_messageSink = std::move(sink); }
    // Questions, input boxes and file dialogs are answered by the source instead when one is
    // set: "Yes" or anything else for a question, the text (or "" to cancel) for an input box,
    // the text of the choice for a choice, and for a file dialog the name, optionally followed by a
    // TAB and the filter's index (it is asked with the filters as text).
    using AnswerSource = std::function<QString(const QString &title, const QString &text)>;
    void setAnswerSource(AnswerSource source) { m_answerSource = std::move(source); }

    void showMessage(const QString &title, const QString &text, MessageKind kind) override;
    bool askYesNo(const QString &title, const QString &text, bool defaultYes) override;
    QString askText(const QString &title, const QString &prompt, const QString &proposed) override;
    int askChoice(const QString &title, const QString &prompt, const QStringList &choices,
                  int current) override;
    QString askFileName(const QString &title, const QStringList &filters, bool save,
                        int *filter = nullptr) override;
    void setBusy(bool busy) override;

private:
    QWidget *parent() const;

    QWidget *m_fallback;
    QString m_workingDirectory;
    MessageSink m_messageSink;
    AnswerSource m_answerSource;
};

} // namespace ze
