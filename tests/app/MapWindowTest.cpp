// SPDX-License-Identifier: GPL-3.0-or-later
// The map as the user meets it: the real main window tracking the rotor simulator, the
// map opened from the menu, the beam following the rotor, clicks turning it.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <cmath>
#include <map>
#include <random>

#include "app/Aiming.h"
#include "app/AimingMenu.h"
#include "app/RotorSelection.h"
#include "app/RotorSharing.h"
#include "app/TurnToDialog.h"
#include "app/map/MapView.h"
#include "app/map/MapWindow_p.h"
#include "tests/app/MainWindowFixture.h"
#include "tests/support/RotorSimProcess.h"
#include "toolkit/Label.h"

namespace skyvane {
namespace {

void Mouse(QWidget* widget, QEvent::Type type, const QPointF& at) {
    QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void Click(QWidget* widget, const QPointF& at, bool twice = false) {
    Mouse(widget, QEvent::MouseButtonPress, at);
    Mouse(widget, QEvent::MouseButtonRelease, at);
    if (!twice) return;
    Mouse(widget, QEvent::MouseButtonDblClick, at);
    Mouse(widget, QEvent::MouseButtonRelease, at);
}

// True when the canvas, as drawn now, shows the live beam's lime axis at `bearing`.
bool LimeAlong(TMapCanvas* canvas, int bearing) {
    const QImage shot = canvas->grab().toImage();
    const QPoint at = canvas->Frame().PixelAlong(bearing, 0.6).toPoint();
    const QColor c = shot.pixelColor(at * shot.devicePixelRatio());
    return c.green() > 200 && c.red() < 90 && c.blue() < 90;
}

class MapWindowTest : public MainWindowTest {
protected:
    TForm1& StartAt(const std::string& port, const std::string& more = "") {
        WriteFile(dir_ / "Skyvane.INI",
                  "[SETTINGS]\r\nCOMPORT=" + port + "\r\nLOCATOR=JN58td\r\n" + more);
        return Start();
    }
    static int Shown(TForm1& form) { return std::stoi(form.Response->Caption()); }
};

TEST_F(MapWindowTest, OpensFromTheMenuFollowsATurningRotorAndAClickTurnsIt) {
    test::Simulator sim({"--heading", "100", "--turn-rate", "40"});
    TForm1& form = StartAt(sim.FirstLine());
    const auto& items = form.PopUpMenu->Items();
    ASSERT_EQ(items.back(), form.Map->MapEntry());
    EXPECT_EQ(items[items.size() - 2], form.RotorChoice->RotorEntry());
    EXPECT_EQ(form.Map->Window(), nullptr);

    Choose(form.Map->MapEntry());
    TMapWindow* window = form.Map->Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(form.Map->MapEntry()->Checked());
    EXPECT_NE(ReadFile(dir_ / "Skyvane.INI").find("MAPVISIBLE=YES"), std::string::npos);
    TMapCanvas* canvas = window->Canvas();
    EXPECT_EQ(canvas->Heading().state, TMapHeading::None);

    Choose(form.Track);
    ASSERT_TRUE(WaitUntil([&] { return form.Response->Caption() == "100"; }, 10000));
    EXPECT_EQ(canvas->Heading(), (TMapHeading{TMapHeading::Live, 100}));
    EXPECT_TRUE(LimeAlong(canvas, 100));
    EXPECT_FALSE(LimeAlong(canvas, 280));

    // A click picks a point and asks; its Turn button turns the rotor there.
    const QPointF at200 = canvas->Frame().PixelAlong(200, 0.3);
    Click(canvas, at200);
    ASSERT_TRUE(window->Picked());
    EXPECT_EQ(WholeDegreeBearing(window->Picked()->bearing), 200);
    EXPECT_EQ(window->TurnButton()->text(), QString("&Turn to 200\u00B0"));
    EXPECT_TRUE(window->TurnButton()->isVisible());
    window->TurnButton()->click();
    EXPECT_EQ(form.Map->Turn(), 200);
    ASSERT_TRUE(WaitUntil([&] { return Shown(form) > 120 && Shown(form) < 200; }, 10000));
    // The beam follows the turning rotor.
    EXPECT_EQ(canvas->Heading().degrees, Shown(form));
    EXPECT_TRUE(LimeAlong(canvas, Shown(form)));
    ASSERT_TRUE(WaitUntil([&] { return Shown(form) == 200; }, 15000));
    EXPECT_EQ(form.Map->Turn(), std::nullopt);  // reached: no turn in progress

    // A double click turns at once, without asking.
    Click(canvas, canvas->Frame().PixelAlong(150, 0.5), true);
    EXPECT_EQ(form.Map->Turn(), 150);
    EXPECT_FALSE(window->Picked());
    EXPECT_TRUE(WaitUntil([&] { return Shown(form) == 150; }, 15000));

    // Closed by its window's button: the entry unchecks and the file says so.
    window->close();
    EXPECT_TRUE(WaitUntil([&] { return form.Map->Window() == nullptr; }));
    EXPECT_FALSE(form.Map->MapEntry()->Checked());
    EXPECT_NE(ReadFile(dir_ / "Skyvane.INI").find("MAPVISIBLE=NOT"), std::string::npos);
    EXPECT_TRUE(boxes_.empty());
}

TEST_F(MapWindowTest, NothingIsSentWhileTrackingIsOffAndAStaleBeamIsDimmed) {
    FakeRotor rotor;
    ::setenv("SKYVANE_MAP_IMAGE", (dir_ / "no-such-earth.jpg").c_str(), 1);
    TForm1& form = StartAt(rotor.Path(), "MAPVISIBLE=YES\r\nMAPGEOMETRY=40,50,420,470\r\n");
    ::unsetenv("SKYVANE_MAP_IMAGE");
    TMapWindow* window = form.Map->Window();
    ASSERT_NE(window, nullptr);  // opened at the start, as it was left
    EXPECT_EQ(window->size(), QSize(420, 470));
    EXPECT_EQ(window->pos(), QPoint(40, 50));
    // Without the land data the map is the sea alone, and says why.
    EXPECT_FALSE(window->NoteLabel()->isHidden());
    EXPECT_TRUE(window->NoteLabel()->text().contains("no-such-earth.jpg"));

    TMapCanvas* canvas = window->Canvas();
    Click(canvas, canvas->Frame().PixelAlong(45, 0.5), true);
    EXPECT_TRUE(window->MessageLabel()->text().startsWith("Not turned"));
    EXPECT_EQ(form.Map->Turn(), std::nullopt);

    Choose(form.Track);
    rotor.ReleaseSlave();
    ASSERT_TRUE(WaitUntil([&] { return rotor.Received() == "AI1;"; }, 10000));
    rotor.Send("100;");
    ASSERT_TRUE(WaitUntil([&] { return canvas->Heading().state == TMapHeading::Live; }));
    ASSERT_TRUE(WaitUntil([&] { return canvas->Heading().state == TMapHeading::Stale; }, 15000));
    EXPECT_EQ(canvas->Heading().degrees, 100);
    EXPECT_FALSE(LimeAlong(canvas, 100));  // dimmed
    Choose(form.Track);
    EXPECT_EQ(canvas->Heading().state, TMapHeading::None);
    Click(canvas, canvas->Frame().PixelAlong(45, 0.5), true);
    EXPECT_EQ(rotor.Received().find("AP1"), std::string::npos) << rotor.Received();
    EXPECT_EQ(form.Map->Turn(), std::nullopt);
}

// Pixels picked at random (seeded) over the canvas: the path the window picks is the
// pixel's angle from the centre, clockwise from up, and its distance from the centre as a
// share of half the great circle; nothing off the disc.
TEST_F(MapWindowTest, AClickPicksTheBearingAndDistanceUnderThePointer) {
    FakeRotor rotor;
    TForm1& form = StartAt(rotor.Path());
    // A double click on the main window (on the heading that covers it) opens the map.
    Click(form.Response->Widget(), QPointF(20, 20), true);
    TMapWindow* window = form.Map->Window();
    ASSERT_NE(window, nullptr);
    window->resize(700, 760);
    ASSERT_TRUE(WaitUntil([&] { return window->Canvas()->width() > 600; }));
    TMapCanvas* canvas = window->Canvas();
    std::mt19937 random(22);
    std::uniform_real_distribution<double> x(0, canvas->width()), y(0, canvas->height());
    int inside = 0;
    for (int i = 0; i < 300; ++i) {
        const QPointF pixel(x(random), y(random));
        const TMapFrame frame = canvas->Frame();
        Click(canvas, pixel);
        const double dx = pixel.x() - frame.centre.x(), dy = pixel.y() - frame.centre.y();
        const double r = std::hypot(dx, dy) / frame.radius;
        if (r > 1) {
            EXPECT_FALSE(canvas->PathAtPixel(pixel));
            continue;
        }
        ++inside;
        ASSERT_TRUE(window->Picked());
        double bearing = std::atan2(dx, -dy) * 180 / 3.141592653589793;
        if (bearing < 0) bearing += 360;
        EXPECT_NEAR(std::remainder(window->Picked()->bearing - bearing, 360), 0, 1e-9);
        EXPECT_NEAR(window->Picked()->distanceKm, r * 20015.087, 0.01);
        EXPECT_TRUE(window->TurnButton()->text().contains(
            QString::number(WholeDegreeBearing(bearing)) + QChar(0x00B0)));
    }
    EXPECT_GT(inside, 100);
}

// The centre of a 6-character locator's subsquare, worked out apart from the program.
TGeoPosition SubsquareCentre(const std::string& l) {
    return {(l[1] - 'A') * 10.0 - 90 + (l[3] - '0') + (std::tolower(l[5]) - 'a' + 0.5) / 24,
            (l[0] - 'A') * 20.0 - 180 + (l[2] - '0') * 2 + (std::tolower(l[4]) - 'a' + 0.5) / 12};
}

// Every way of aiming, one after another through the real window: afterwards the map's
// target is the place aimed at (where the locator or the country file puts it, and its
// name), or none after a turn to a heading alone, whoever asked for it; a stop keeps it.
TEST_F(MapWindowTest, EveryWayOfAimingGivesTheMapItsTargetOrNone) {
    // Longitudes in the country file are west positive.
    WriteFile(dir_ / "cty.dat",
              "Fed. Rep. of Germany:     14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\n"
              "    DA,DB,DC,DD,DE,DF,DG,DH,DI,DJ,DK,DL,DM,DN,DO;\n"
              "United States:            05:  08:  NA:   37.60:    91.87:     5.0:  K:\n"
              "    AA,K,N,W;\n");
    test::Simulator sim({"--heading", "100", "--turn-rate", "90"});
    TForm1& form = StartAt(sim.FirstLine(), "CTYFILE=" + (dir_ / "cty.dat").string() +
                                                "\r\nWSJTXFOLLOW=YES\r\n[PRESETS]\r\n1=270 West\r\n"
                                                "2=K1ABC Boston\r\n");
    Choose(form.Track);
    ASSERT_TRUE(WaitUntil([&] { return form.Response->Caption() == "100"; }, 10000));
    Choose(form.Map->MapEntry());
    const auto turnTo = [&](const std::string& text) {
        QTimer::singleShot(0, [text] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* dialog = dynamic_cast<TTurnToDialog*>(w); dialog && dialog->isVisible()) {
                    dialog->TargetEdit()->setText(QString::fromStdString(text));
                    dialog->OkButton()->click();
                }
        });
        Choose(form.Sharing->TurnToEntry());
    };
    const TAiming& aiming = *form.Aiming;
    const std::unique_ptr<TSteeringSource> logger = form.Sharing->NewSource("a logger");
    const TGeoPosition germany{51.00, 10.00}, states{37.60, -91.87};
    const TGeoPosition fn42{42.5, -71.0};  // the square's centre
    struct Case {
        const char* way;
        std::function<void()> aim;
        std::optional<TAimedPlace> expected;
    } cases[] = {
        {"Turn to a locator", [&] { turnTo("fn31PR"); },
         TAimedPlace{SubsquareCentre("FN31pr"), "FN31pr"}},
        {"Turn to a callsign", [&] { turnTo("dl1abc"); },
         TAimedPlace{germany, "DL1ABC (Fed. Rep. of Germany)"}},
        {"Turn to a heading", [&] { turnTo("200"); }, std::nullopt},
        {"a preset's callsign", [&] { Choose(aiming.Menu().PresetEntries().at(1)); },
         TAimedPlace{states, "K1ABC (United States)"}},
        {"a preset's heading", [&] { Choose(aiming.Menu().PresetEntries().at(0)); }, std::nullopt},
        {"WSJT-X's DX with a grid, followed",
         [&] {
             form.Aiming->StatusReceived({"WSJT-X", "K1ABC", "FN42"});
         },
         TAimedPlace{fn42, "K1ABC (FN42)"}},
        {"park", [&] { Choose(aiming.Menu().ParkEntry()); }, std::nullopt},
        {"the DX's long path entry", [&] { Choose(aiming.Menu().DxLongPathEntry()); },
         TAimedPlace{fn42, "K1ABC (FN42)"}},
        {"a stop", [&] { ASSERT_TRUE(logger->RequestStop()); }, TAimedPlace{fn42, "K1ABC (FN42)"}},
        {"a logger's turn to a heading", [&] { ASSERT_TRUE(logger->RequestTurn(150)); },
         std::nullopt},
        {"WSJT-X's DX without a grid, followed",
         [&] {
             form.Aiming->StatusReceived({"WSJT-X", "DK9XX", ""});
         },
         TAimedPlace{germany, "DK9XX (Fed. Rep. of Germany)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.way);
        c.aim();
        const std::optional<TAimedPlace>& target = form.Map->Target();
        ASSERT_EQ(target.has_value(), c.expected.has_value());
        if (!target) continue;
        EXPECT_EQ(target->label, c.expected->label);
        EXPECT_NEAR(target->position.latitude, c.expected->position.latitude, 0.01);
        EXPECT_NEAR(target->position.longitude, c.expected->position.longitude, 0.01);
    }
    for (const auto& box : boxes_) ADD_FAILURE() << box.text;
}

// The map's settings as read from whatever a file holds: a value that makes no sense
// is the default, never a crash or a window of no size.
TEST(MapSettings, ReadsWhatMakesSenseAndOtherwiseTheDefaults) {
    struct Ini : TCustomIniFile {
        Ini() : TCustomIniFile("memory.ini") {}
        std::string ReadString(std::string_view, std::string_view key,
                               std::string_view fallback) const override {
            const auto found = values.find(std::string(key));
            return found == values.end() ? std::string(fallback) : found->second;
        }
        void WriteString(std::string_view, std::string_view, std::string_view) override {}
        std::map<std::string, std::string> values;
    };
    using G = std::optional<std::array<int, 4>>;
    struct Case {
        const char *visible, *geometry, *beam;
        bool wantVisible;
        G wantGeometry;
        int wantBeam;
    } cases[] = {
        {"YES", "10,20,600,660", "45", true, G{{10, 20, 600, 660}}, 45},
        {"on", " -30 , 5 ,200,10000", "360", true, G{{-30, 5, 200, 10000}}, 360},
        {"NOT", "10,20,199,660", "0", false, std::nullopt, 60},
        {"", "10,20,600", "361", false, std::nullopt, 60},
        {"x", "10,20,600,660,7", "-5", false, std::nullopt, 60},
        {"TRUE", "a,b,c,d", "1", true, std::nullopt, 1},
        {"no", "99999999999,0,600,600", "60deg", false, std::nullopt, 60},
        {"yes", ",,,", "", true, std::nullopt, 60},
    };
    for (const Case& c : cases) {
        Ini ini;
        ini.values = {
            {"MAPVISIBLE", c.visible}, {"MAPGEOMETRY", c.geometry}, {"BEAMWIDTH", c.beam}};
        const TMapSettings s = ReadMapSettings(ini);
        EXPECT_EQ(s.visible, c.wantVisible) << c.visible;
        EXPECT_EQ(s.geometry, c.wantGeometry) << c.geometry;
        EXPECT_EQ(s.beamWidth, c.wantBeam) << c.beam;
        if (!s.geometry) continue;
        ini.values["MAPGEOMETRY"] = MapGeometryText(*s.geometry);
        EXPECT_EQ(ReadMapSettings(ini).geometry, s.geometry) << c.geometry;
    }
}

}  // namespace
}  // namespace skyvane
