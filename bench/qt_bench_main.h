// SPDX-License-Identifier: MIT
// The main of a rendering benchmark: Qt's offscreen platform (unless the
// environment names another), a QGuiApplication for fonts, then Google
// Benchmark's run; `done` releases the benchmark's page afterwards.
#pragma once

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>

namespace vexlan {

template <typename Done>
int RunQtBenchmarks(int argc, char** argv, Done done)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    done();
    return 0;
}

} // namespace vexlan
