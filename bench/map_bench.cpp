// SPDX-License-Identifier: GPL-3.0-or-later
// skyvane_map_bench: what the map of the beam costs.
//   1. Drawing the still picture (land and sea reprojected, rings, compass) at 300, 600
//      and 1000 pixels: the work done once per size and centre.
//   2. One heading update of an open 600-pixel map: the beam's old and new areas
//      painted again over the kept picture, beside a paint of the whole map.
//   3. The CPU of the whole program (offscreen, in a scratch folder) tracking the rotor
//      simulator while it sweeps, over the same span with the map closed and open.
//
//   skyvane_map_bench [seconds per span, default 30]
#include <sys/resource.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/SkyvaneUnit.h"
#include "app/map/MapView.h"
#include "app/map/MapWindow_p.h"
#include "tests/support/RotorSimProcess.h"
#include "toolkit/Application.h"
#include "toolkit/Menu.h"
#include "toolkit/MessageBox.h"

namespace fs = std::filesystem;
using namespace skyvane;

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void Serve(double seconds) {
    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    loop.exec();
}

// Median and fastest of `runs` timings of `work`, in milliseconds.
template <class Work>
std::pair<double, double> Time(int runs, Work work) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        work(i);
        ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front()};
}

void PictureFigures(const QImage& earth) {
    const TGeoPosition station = *LocatorPosition("JN58td");
    std::printf("Still picture (JN58td, %s):\n", earth.isNull() ? "sea alone" : "Blue Marble");
    for (const int size : {300, 600, 1000}) {
        const TPictureKey key{QSize(size, size), 1.0, station, 0};
        const auto [median, fastest] =
            Time(9, [&](int) { (void)DrawMapPicture(key, earth, QPalette(), QFont()); });
        std::printf("  %4d px: median %7.2f ms, fastest %7.2f ms\n", size, median, fastest);
    }
}

void HeadingFigures(const QImage& earth) {
    TMapCanvas canvas(earth, nullptr);
    canvas.resize(600, 600);
    canvas.SetStation(LocatorPosition("JN58td"));
    canvas.show();
    Serve(0.5);  // shown and painted: the picture is drawn once here
    const int before = canvas.PicturesDrawn();
    // As in the program: the heading marks the beam's old and new areas, and the next
    // pass of the event loop paints them over the kept picture.
    const auto [median, fastest] = Time(360, [&](int i) {
        canvas.SetHeading({TMapHeading::Live, i});
        QCoreApplication::processEvents();
    });
    // The same with the whole map painted each time.
    const auto [whole, wholeFastest] = Time(60, [&](int) {
        canvas.update();
        QCoreApplication::processEvents();
    });
    std::printf(
        "Heading update, 600 px map, 360 headings: median %.3f ms, fastest %.3f ms\n"
        "  (the whole map painted instead: median %.3f ms, fastest %.3f ms); pictures drawn "
        "before: %d, meanwhile: %d\n",
        median, fastest, whole, wholeFastest, before, canvas.PicturesDrawn() - before);
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::max(2.0, std::atof(argv[1])) : 30.0;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("SKYVANE_BUILD_DIR", SKYVANE_BUILD_DIR, 0);
    TApplication app(argc, argv);
    const QImage earth = LoadEarthImage(EarthImagePath());
    PictureFigures(earth);
    HeadingFigures(earth);

    test::Simulator simulator({"--sweep", "6"});
    const std::string line = simulator.FirstLine();
    if (line.empty()) {
        std::fprintf(stderr, "the simulator did not start\n");
        return 1;
    }
    const fs::path scratch =
        fs::temp_directory_path() / ("skyvane-map-bench-" + std::to_string(getpid()));
    fs::create_directories(scratch);
    const fs::path previousDir = fs::current_path();
    fs::current_path(scratch);
    std::ofstream(scratch / "Skyvane.INI", std::ios::binary)
        << "[SETTINGS]\r\nCOMPORT=" << line << "\r\nLOCATOR=JN58td\r\nMAPGEOMETRY=0,0,600,660\r\n";
    SetMessageBoxAnswerer([](const MessageBoxRequest& r) {
        std::fprintf(stderr, "message: %s\n", r.text.c_str());
        return TMsgResult::OK;
    });
    {
        auto form = std::make_unique<TForm1>(nullptr, std::vector<std::string>{});
        form->Track->Action()->trigger();
        Serve(3);
        const double closedStart = CpuSeconds();
        Serve(seconds);
        const double closed = CpuSeconds() - closedStart;
        form->Map->MapEntry()->Action()->trigger();
        Serve(3);  // the picture is drawn
        const int pictures = form->Map->Window()->Canvas()->PicturesDrawn();
        const double openStart = CpuSeconds();
        Serve(seconds);
        const double open = CpuSeconds() - openStart;
        std::printf("CPU of Skyvane tracking the simulator sweeping at 6 deg/s, %.0f s spans\n",
                    seconds);
        std::printf("  map closed:        %6.3f s = %6.3f %% of one core\n", closed,
                    100 * closed / seconds);
        std::printf(
            "  map open (600 px): %6.3f s = %6.3f %% of one core; beam at %d, pictures "
            "drawn while open: %d\n",
            open, 100 * open / seconds, form->Map->Window()->Canvas()->Heading().degrees,
            form->Map->Window()->Canvas()->PicturesDrawn() - pictures);
    }
    fs::current_path(previousDir);
    fs::remove_all(scratch);
    return 0;
}
