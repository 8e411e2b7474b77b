// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/map/MapView.h"

#include <QEvent>
#include <QObject>
#include <charconv>
#include <cstdlib>

#include "app/Configuration.h"
#include "app/HexStr.h"
#include "app/map/MapWindow_p.h"
#include "rotor/RotorAccess.h"
#include "toolkit/Exception.h"
#include "toolkit/ExceptionReport.h"
#include "toolkit/Form.h"
#include "toolkit/Menu.h"

namespace skyvane {
namespace {

// Readings in a row at one heading after which a rotor short of its target is taken to
// have stopped there.
constexpr int StillReadings = 5;

// Hands double clicks on the main window (or the label covering it) to the map.
class TDoubleClickFilter : public QObject {
public:
    explicit TDoubleClickFilter(std::function<void()> onDoubleClick)
        : onDoubleClick_(std::move(onDoubleClick)) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonDblClick) Guarded(onDoubleClick_);
        return false;
    }

private:
    std::function<void()> onDoubleClick_;
};

std::optional<int> WholeNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<std::array<int, 4>> GeometryFromText(std::string_view text) {
    std::array<int, 4> geometry{};
    for (std::size_t i = 0; i < geometry.size(); ++i) {
        const std::size_t comma = i + 1 < geometry.size() ? text.find(',') : text.size();
        if (comma == std::string_view::npos) return std::nullopt;
        const std::optional<int> number = WholeNumber(text.substr(0, comma));
        if (!number) return std::nullopt;
        geometry[i] = *number;
        text.remove_prefix(std::min(text.size(), comma + 1));
    }
    const auto size = [](int pixels) { return pixels >= 200 && pixels <= 10000; };
    if (!size(geometry[2]) || !size(geometry[3])) return std::nullopt;
    return geometry;
}

// The circular distance of two headings in degrees, 0 to 180.
int Apart(int a, int b) {
    const int d = std::abs(((a - b) % 360 + 360) % 360);
    return std::min(d, 360 - d);
}

}  // namespace

TMapSettings ReadMapSettings(const TCustomIniFile& ini) {
    TMapSettings s;
    s.visible = IsTrueText(ini.ReadString(SettingsSection, "MAPVISIBLE", "NOT"));
    s.geometry = GeometryFromText(ini.ReadString(SettingsSection, "MAPGEOMETRY", ""));
    const std::optional<int> width = WholeNumber(ini.ReadString(SettingsSection, "BEAMWIDTH", ""));
    if (width && *width >= 1 && *width <= 360) s.beamWidth = *width;
    return s;
}

std::string MapGeometryText(const std::array<int, 4>& g) {
    return std::to_string(g[0]) + "," + std::to_string(g[1]) + "," + std::to_string(g[2]) + "," +
           std::to_string(g[3]);
}

TMapView::TMapView(TForm* form, TPopupMenu* menu, TRotorAccess& rotor, TIniAccess ini,
                   TStationEvent onStation)
    : TComponent(form),
      form_(form),
      rotor_(rotor),
      ini_(std::move(ini)),
      onStation_(std::move(onStation)),
      settings_(ReadMapSettings(ini_())) {
    SetName("MapView");
    entry_ = new TMenuItem(form);
    entry_->SetName("MapEntry");
    entry_->SetCaption("Map");
    entry_->SetAutoCheck(true);
    entry_->SetOnClick([this](TComponent*) { entry_->Checked() ? Open() : Close(); });
    menu->Add(entry_);
    doubleClicks_ = std::make_unique<TDoubleClickFilter>([this] { Open(); });
    form->installEventFilter(doubleClicks_.get());
    geometrySave_.setSingleShot(true);
    geometrySave_.setInterval(1000);
    QObject::connect(&geometrySave_, &QTimer::timeout,
                     [this] { Guarded([this] { SaveGeometry(); }); });
    if (settings_.visible) Open();
}

TMapView::~TMapView() = default;

TMapWindow* TMapView::Window() const {
    return window_.data();
}

void TMapView::BeforeDestruction() {
    form_->removeEventFilter(doubleClicks_.get());
    geometrySave_.stop();
    delete window_.data();
}

void TMapView::Open() {
    entry_->SetChecked(true);
    if (!window_) {
        window_ = new TMapWindow(form_);
        window_->Canvas()->SetBeamWidth(settings_.beamWidth);
        window_->SetStation(station_);
        window_->Canvas()->SetTarget(target_);
        window_->Canvas()->SetHeading(heading_);
        window_->Canvas()->SetTurn(turn_);
        window_->SetOnTurn([this](int heading) { return rotor_.RequestTurn(heading); });
        window_->SetOnStation([this](const std::string& locator) {
            if (onStation_) onStation_(locator);
        });
        window_->SetOnClosed([this] { WindowClosed(); });
        if (const auto& g = settings_.geometry) {
            window_->resize((*g)[2], (*g)[3]);
            window_->move((*g)[0], (*g)[1]);
        }
        window_->SetOnMoved([this] { geometrySave_.start(); });
    }
    window_->show();
    window_->raise();
    window_->activateWindow();
    if (!settings_.visible) {
        settings_.visible = true;
        Save("MAPVISIBLE", "YES");
    }
}

void TMapView::Close() {
    if (window_) {
        SaveGeometry();
        // The window may be closing itself: it goes once its events are done.
        window_->hide();
        window_->deleteLater();
        window_ = nullptr;
    }
    entry_->SetChecked(false);
    if (settings_.visible) {
        settings_.visible = false;
        Save("MAPVISIBLE", "NOT");
    }
}

void TMapView::WindowClosed() {
    Close();
}

void TMapView::SaveGeometry() {
    geometrySave_.stop();
    if (!window_) return;
    const std::array<int, 4> g{window_->x(), window_->y(), window_->width(), window_->height()};
    if (settings_.geometry == g) return;
    settings_.geometry = g;
    Save("MAPGEOMETRY", MapGeometryText(g));
}

void TMapView::Save(const char* key, const std::string& value) {
    try {
        ini_().WriteString(SettingsSection, key, value);
    } catch (const Exception& e) {
        if (saveFailureShown_) return;
        saveFailureShown_ = true;
        ReportException(std::make_exception_ptr(
            Exception(e.Message() + ". The map's place and size are not kept this time")));
    }
}

void TMapView::SetStation(const std::string& locator) {
    station_ = locator;
    if (window_) window_->SetStation(locator);
}

void TMapView::SetTarget(const std::optional<TAimedPlace>& place) {
    target_ = place;
    if (window_) window_->Canvas()->SetTarget(place);
}

void TMapView::HeadingRead(int degrees) {
    stillReadings_ =
        heading_.state != TMapHeading::None && heading_.degrees == degrees ? stillReadings_ + 1 : 0;
    ShowHeading({TMapHeading::Live, degrees});
    if (turn_ && (Apart(*turn_, degrees) <= 1 || stillReadings_ >= StillReadings))
        ShowTurn(std::nullopt);
}

void TMapView::HeadingStale(bool stale) {
    if (heading_.state == TMapHeading::None) return;
    ShowHeading({stale ? TMapHeading::Stale : TMapHeading::Live, heading_.degrees});
}

void TMapView::HeadingGone() {
    ShowHeading({});
    ShowTurn(std::nullopt);
}

void TMapView::TurnRequested(std::optional<int> heading) {
    stillReadings_ = 0;
    ShowTurn(heading);
    // A turn from a logger, a network client or a click on the map leaves the place
    // aimed at before; a stop does not.
    if (heading && target_) SetTarget(std::nullopt);
}

void TMapView::ShowHeading(const TMapHeading& heading) {
    heading_ = heading;
    if (window_) window_->Canvas()->SetHeading(heading);
}

void TMapView::ShowTurn(std::optional<int> heading) {
    turn_ = heading;
    if (window_) window_->Canvas()->SetTurn(heading);
}

}  // namespace skyvane
