#include "ui/AboutWindow.h"

#include "ui/Controls.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ze {

AboutWindow::AboutWindow(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("ZE-3000r"));
    setAttribute(Qt::WA_DeleteOnClose);

    QFont titleFont;
    titleFont.setPointSizeF(9.75);
    titleFont.setBold(true);
    auto *title = newLabel(QStringLiteral("lblTitle"),
                           QStringLiteral("Tunewright ZE-3000R Communications Receiver"), this);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);
    QFont versionFont;
    versionFont.setPointSizeF(8.25);
    auto *version = newLabel(QStringLiteral("lblVersion"),
                             QStringLiteral("Version 0.2 (march 20 1999)"), this);
    version->setFont(versionFont);
    version->setAlignment(Qt::AlignCenter);
    auto *description = newLabel(
            QStringLiteral("lblDescription"),
            QStringLiteral("This is the first non-commercial software special made for the "
                           "ZE-3000R."),
            this);
    description->setWordWrap(true);
    auto *address = newLabel(QStringLiteral("Label1"),
                             QStringLiteral("https://ze3000r.example.org/"), this);
    address->setTextInteractionFlags(Qt::TextSelectableByMouse);

    // Etched separator: a white line and a grey one, a pixel apart.
    auto *separator = new QVBoxLayout;
    separator->setSpacing(0);
    const QColor lineColours[2] = {QColor(Qt::white), QColor(128, 128, 128)};
    for (int i = 0; i < 2; ++i) {
        auto *line = new QFrame(this);
        line->setObjectName(indexed("Line1", i));
        line->setFixedHeight(1);
        line->setAutoFillBackground(true);
        QPalette palette = line->palette();
        palette.setColor(QPalette::Window, lineColours[i]);
        line->setPalette(palette);
        separator->addWidget(line);
    }

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setAccessibleName(QStringLiteral("OK, close"));
    ok->setDefault(true);
    // Return and Escape both press OK: accept and reject both close and destroy the window.
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addWidget(description);
    layout->addWidget(address);
    layout->addLayout(separator);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

} // namespace ze
