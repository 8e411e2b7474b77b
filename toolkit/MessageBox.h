// SPDX-License-Identifier: GPL-3.0-or-later
// Modal message boxes through one function that tests can answer.
#pragma once

#include <functional>
#include <string>

namespace skyvane {

enum class TMsgButtons { OK, OKCancel };
enum class TMsgIcon { None, Error, Warning, Information };
enum class TMsgResult { OK, Cancel };

// One message box as asked for.
struct MessageBoxRequest {
    std::string text;
    std::string caption;
    TMsgButtons buttons = TMsgButtons::OK;
    TMsgIcon icon = TMsgIcon::None;
    std::string okText;  // the OK button's text when it needs to say more than "OK"
};

// Answers message boxes in place of a person; returns the button "pressed".
using MessageBoxAnswerer = std::function<TMsgResult(const MessageBoxRequest&)>;

// Shows a modal message box and returns the button chosen; closing the box by other
// means gives Cancel (OK for a box with only OK). With an answerer installed, the
// answerer decides and nothing is shown.
TMsgResult ShowMessageBox(const std::string& text, const std::string& caption,
                          TMsgButtons buttons = TMsgButtons::OK, TMsgIcon icon = TMsgIcon::None);

// The same for a request in full, such as one whose OK button says what it does.
TMsgResult ShowMessageBox(const MessageBoxRequest& request);

// Installs an answerer (an empty one restores real boxes); returns the previous one.
MessageBoxAnswerer SetMessageBoxAnswerer(MessageBoxAnswerer answerer);

}  // namespace skyvane
