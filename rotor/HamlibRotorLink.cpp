// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/HamlibRotorLink.h"

#include <hamlib/rotator.h>

#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>

#include "platform/thread_name.h"
#include "rotor/HamlibLibrary_p.h"
#include "rotor/HamlibRotors.h"
#include "toolkit/Exception.h"
#include "toolkit/ExceptionReport.h"

namespace skyvane {
namespace {

// The readings take the rotor's whole degrees as a reply "<degrees>;"; the text shown
// is the bearing in three digits.
std::optional<AzimuthReading> JudgeDegrees(std::string reply) {
    int degrees = 0;
    const char* end = reply.data() + reply.size();
    const auto [stop, error] = std::from_chars(reply.data(), end, degrees);
    if (reply.empty() || error != std::errc() || stop != end) return std::nullopt;
    char text[8];
    std::snprintf(text, sizeof text, "%03d", Folded(degrees));
    return AzimuthReading{text, degrees};
}

// Sets one of the library's configuration values by name, where the model has it.
void SetConf(const THamlibApi& hamlib, ROT* rot, const char* name, const std::string& value) {
    const token_t token = hamlib.rot_token_lookup(rot, name);
    if (token != RIG_CONF_END) hamlib.rot_set_conf(rot, token, value.c_str());
}

}  // namespace

// The worker thread and what only it touches: the library's rotor handle.
struct THamlibRotorLink::TWorker {
    explicit TWorker(THamlibRotor rotor) : rotor(std::move(rotor)) {
        thread = std::thread([this] { Run(); });
    }
    ~TWorker() {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            quit = true;
            jobs.clear();
        }
        wake.notify_one();
        thread.join();
    }

    void Add(TJob job) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            jobs.push_back(std::move(job));
        }
        wake.notify_one();
    }

    void Run() {
        platform::NameCurrentThread("skyvane-hamlib");
        for (;;) {
            TJob job;
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [this] { return quit || !jobs.empty(); });
                if (quit) break;
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            job(*this);
        }
        Close();
    }

    // Opens the rotor afresh; RIG_OK or the library's error code.
    int Open() {
        Close();
        // Not loaded: the error's text is why.
        hamlib = Hamlib();
        if (!hamlib) return -RIG_EINTERNAL;
        rot = hamlib->rot_init(static_cast<rot_model_t>(rotor.model));
        if (!rot) return -RIG_ENIMPL;
        SetConf(*hamlib, rot, "rot_pathname", rotor.port);
        if (rotor.speed > 0 && rot->caps->port_type == RIG_PORT_SERIAL)
            SetConf(*hamlib, rot, "serial_speed", std::to_string(rotor.speed));
        const int code = hamlib->rot_open(rot);
        if (code != RIG_OK) {
            hamlib->rot_cleanup(rot);
            rot = nullptr;
            return code;
        }
        if (rotor.range) {
            // The library checks every target against these; the range in use decides.
            rot->state.min_az = rotor.range->min;
            rot->state.max_az = rotor.range->max;
        }
        return RIG_OK;
    }

    void Close() {
        if (!rot) return;
        hamlib->rot_close(rot);
        hamlib->rot_cleanup(rot);
        rot = nullptr;
    }

    const THamlibRotor rotor;
    const THamlibApi* hamlib = nullptr;  // set by the first Open
    ROT* rot = nullptr;
    std::thread thread;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<TJob> jobs;
    bool quit = false;
};

THamlibRotorLink::THamlibRotorLink(THamlibRotor rotor, THamlibTrace trace)
    : rotor_(std::move(rotor)), trace_(std::move(trace)), readings_(JudgeDegrees) {
    if (const std::optional<THamlibModel> model = HamlibModel(rotor_.model)) {
        range_ = model->range;
        canPark_ = model->canPark;
    }
    readings_.SetOnReading([this](const AzimuthReading& reading) { NotifyReading(reading); });
    readings_.SetOnStaleChange([this](bool stale) { NotifyStaleChange(stale); });
    worker_ = std::make_unique<TWorker>(rotor_);
}

THamlibRotorLink::~THamlibRotorLink() {
    worker_.reset();
}

std::string THamlibRotorLink::ModelText() const {
    return HamlibModelText(rotor_.model);
}

void THamlibRotorLink::Queue(TJob job) {
    worker_->Add(std::move(job));
}

void THamlibRotorLink::StartTracking() {
    ++generation_;
    tracking_ = true;
    open_ = polling_ = false;
    opening_ = true;
    failureReported_ = false;
    readings_.StartTracking();
    QueueOpen();
    trace_("Track on: " + ModelText() + " at " + rotor_.port + ": opening");
    NotifyLineChange();
}

void THamlibRotorLink::StopTracking() {
    ++generation_;
    tracking_ = open_ = opening_ = polling_ = false;
    readings_.StopTracking();
    Queue([](TWorker& worker) { worker.Close(); });
    trace_("Track off");
    NotifyLineChange();
}

void THamlibRotorLink::PollTick() {
    if (!tracking_) return;
    readings_.PollTick();
    if (!open_) {
        if (!opening_) QueueOpen();
        return;
    }
    const unsigned generation = generation_;
    if (polling_) return;
    polling_ = true;
    Queue([this, generation](TWorker& worker) {
        azimuth_t azimuth = 0;
        elevation_t elevation = 0;
        const int code = worker.rot
                             ? worker.hamlib->rot_get_position(worker.rot, &azimuth, &elevation)
                             : -RIG_EINTERNAL;
        if (code != RIG_OK) worker.Close();
        QMetaObject::invokeMethod(&context_, [this, generation, code, azimuth] {
            Guarded([&] {
                if (code == RIG_OK)
                    Reading(generation, azimuth);
                else
                    Failed(generation, code, "lost");
            });
        });
    });
}

void THamlibRotorLink::QueueOpen() {
    opening_ = true;
    const unsigned generation = generation_;
    Queue([this, generation](TWorker& worker) {
        const int code = worker.Open();
        const TAzimuthRange range =
            worker.rot ? TurningRangeOf(worker.rot->state.min_az, worker.rot->state.max_az)
                       : TAzimuthRange{};
        const bool canPark = worker.rot && worker.rot->caps->park;
        QMetaObject::invokeMethod(&context_, [this, generation, code, range, canPark] {
            Guarded([&] { Opened(generation, code, range, canPark); });
        });
    });
}

void THamlibRotorLink::Opened(unsigned generation, int code, TAzimuthRange range, bool canPark) {
    if (generation != generation_) return;
    opening_ = false;
    if (code != RIG_OK) {
        // Tried again on every tick: only the first failure is told.
        if (!failureReported_) Failed(generation, code, "cannot be opened");
        return;
    }
    open_ = true;
    range_ = range;
    canPark_ = canPark;
    trace_(ModelText() + " at " + rotor_.port + " open");
    NotifyLineChange();
}

void THamlibRotorLink::Failed(unsigned generation, int code, const std::string& doing) {
    if (generation != generation_) return;
    const bool wasOpen = open_;
    open_ = opening_ = polling_ = false;
    readings_.LineClosed();
    const std::string text = "Rotor " + ModelText() + " at " + rotor_.port + " " + doing + ": " +
                             HamlibErrorText(code) + ". Skyvane tries again every second";
    trace_(text);
    if (wasOpen) NotifyLineChange();
    if (std::exchange(failureReported_, true)) return;
    // From the event loop: the box waits for the user while the ticks go on under it.
    QMetaObject::invokeMethod(
        &context_, [text] { ReportException(std::make_exception_ptr(Exception(text))); },
        Qt::QueuedConnection);
}

void THamlibRotorLink::Reading(unsigned generation, double azimuth) {
    if (generation != generation_) return;
    polling_ = false;
    failureReported_ = false;
    // Nothing a rotor reports lies beyond a few turns; anything else is no reading.
    if (!std::isfinite(azimuth) || std::fabs(azimuth) > 3600) return;
    readings_.Received(std::to_string(std::lround(azimuth)) + ";");
}

std::optional<AzimuthReading> THamlibRotorLink::LatestLiveReading() const {
    if (!Open()) return std::nullopt;
    return readings_.LatestLiveReading();
}

bool THamlibRotorLink::Send(const std::string& doing, std::function<int(TWorker&)> call) {
    if (!Open()) return false;
    Queue([this, doing, call = std::move(call)](TWorker& worker) {
        if (!worker.rot) return;
        const int code = call(worker);
        if (code == RIG_OK) return;
        QMetaObject::invokeMethod(&context_, [this, doing, code] {
            const std::string text =
                "Rotor " + ModelText() + " could not " + doing + ": " + HamlibErrorText(code);
            trace_(text);
            ReportException(std::make_exception_ptr(Exception(text)));
        });
    });
    return true;
}

bool THamlibRotorLink::Turn(int azimuth) {
    return Send("turn to " + std::to_string(azimuth), [azimuth](TWorker& worker) {
        return worker.hamlib->rot_set_position(worker.rot, static_cast<azimuth_t>(azimuth), 0);
    });
}

bool THamlibRotorLink::StopTurning() {
    return Send("stop", [](TWorker& worker) { return worker.hamlib->rot_stop(worker.rot); });
}

bool THamlibRotorLink::Park() {
    if (!canPark_) return Turn(parkHeading_);
    return Send("park", [](TWorker& worker) { return worker.hamlib->rot_park(worker.rot); });
}

}  // namespace skyvane
