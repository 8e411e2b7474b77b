// SPDX-License-Identifier: GPL-3.0-or-later
#include "rotor/RotctlSession.h"

#include "rotor/RotorAccess.h"
#include "rotor/Steering.h"

namespace skyvane {

std::string TRotctlSession::Receive(std::string_view bytes) {
    std::string answers;
    if (finished_) return answers;
    for (const TRotctlLineSplitter::TLine& line : lines_.Feed(bytes)) {
        if (line.overlong) {
            answers += FormatRotctlAnswer(TRotctlRequest{}, RprtInvalidArgument);
            continue;
        }
        const std::optional<TRotctlRequest> request = ParseRotctlLine(line.text);
        if (!request) continue;
        if (request->command == TRotctlCommand::Quit) {
            finished_ = true;
            break;
        }
        answers += Answer(*request);
    }
    return answers;
}

std::string TRotctlSession::Answer(const TRotctlRequest& request) {
    if (request.argumentError != RprtOk) return FormatRotctlAnswer(request, request.argumentError);
    const auto result = [&](bool reached) {
        return FormatRotctlAnswer(request, reached ? RprtOk : RprtTimedOut);
    };
    switch (request.command) {
        case TRotctlCommand::GetPosition: {
            const std::optional<int> heading = rotor_.LiveHeading();
            if (!heading) return FormatRotctlAnswer(request, RprtTimedOut);
            return FormatRotctlAnswer(request, RprtOk, PositionRecords(*heading));
        }
        case TRotctlCommand::SetPosition:
            return result(rotor_.RequestTurn(*request.azimuth));
        case TRotctlCommand::Park:
            return result(rotor_.RequestTurn(0));
        case TRotctlCommand::Stop:
            return result(rotor_.RequestStop());
        case TRotctlCommand::GetInfo:
            return FormatRotctlAnswer(request, RprtOk, InfoRecords(RotorServerInfo));
        case TRotctlCommand::DumpState:
            return FormatRotctlAnswer(request, RprtOk, DumpStateRecords());
        case TRotctlCommand::Move: {
            // The rotor has no elevation: a move up or down has nothing to turn.
            const std::optional<int> end = MoveEndHeading(AzimuthSense(*request.direction));
            if (!end) return FormatRotctlAnswer(request, RprtInvalidArgument);
            return result(rotor_.RequestTurn(*end));
        }
        case TRotctlCommand::GetStatus:
            return FormatRotctlAnswer(request, RprtOk, StatusRecords(rotor_.Turning()));
        case TRotctlCommand::Reset:
            return FormatRotctlAnswer(request, RprtNotAvailable);
        case TRotctlCommand::DumpCaps:
            return FormatRotctlAnswer(request, RprtOk, CapsRecords(RotorServerInfo));
        case TRotctlCommand::Quit:
        case TRotctlCommand::Unknown:
            break;
    }
    return FormatRotctlAnswer(request, RprtNotImplemented);
}

}  // namespace skyvane
