// SPDX-License-Identifier: MIT
// The load progress window (see load_progress.h).
#include "linux/shell/load_progress.h"

#include "linux/res/app_strings.h"
#include "linux/shell/work_thread.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdio>

namespace vexlan {

void RunShowingLoadProgress(const std::function<void()>& load)
{
    QWidget window(nullptr, Qt::Dialog | Qt::WindowTitleHint);
    window.setWindowTitle(LoadString(AFX_IDS_APP_TITLE));
    // Its going (or the user closing it) never ends the program.
    window.setAttribute(Qt::WA_QuitOnClose, false);
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLabel(QStringLiteral("正在读取打印作业…"), &window));
    auto* busy = new QProgressBar(&window);
    busy->setRange(0, 0);  // no end known: a busy indicator
    busy->setMinimumWidth(280);
    layout->addWidget(busy);
    QTimer show;
    show.setSingleShot(true);
    QObject::connect(&show, &QTimer::timeout, &window, [&window] {
        window.show();
        window.raise();
        if (qEnvironmentVariableIsSet("VEXLAN_REPORT_PAINT")) {
            QTimer::singleShot(0, [] {
                std::fputs("vexlan: load progress shown\n", stderr);
                std::fflush(stderr);
            });
        }
    });
    show.start(kLoadProgressDelayMs);
    RunOffGuiThread(load);
    show.stop();
}

} // namespace vexlan
