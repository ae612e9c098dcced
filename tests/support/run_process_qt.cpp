// SPDX-License-Identifier: MIT
// Run(): starts a built program and captures its output, through QProcess
// (the Linux tests; the Windows tests do not start programs yet).
#include "test_support.h"

#include <QProcess>
#include <QStringList>

namespace vexlan::test {

RunResult Run(const std::vector<std::string>& argv)
{
    RunResult r;
    if (argv.empty())
        return r;
    QProcess p;
    QStringList args;
    for (size_t i = 1; i < argv.size(); ++i)
        args << QString::fromStdString(argv[i]);
    p.start(QString::fromStdString(argv[0]), args);
    if (!p.waitForStarted(10000))
        return r;
    p.closeWriteChannel();
    p.waitForFinished(120000);
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    if (p.exitStatus() == QProcess::NormalExit)
        r.status = p.exitCode();
    return r;
}

} // namespace vexlan::test
