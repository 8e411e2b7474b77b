// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/status_icon_recording.h"

#include <algorithm>
#include <cstring>

namespace skyvane::platform {

std::string RecordingStatusIconService::Call::Tip() const {
    return std::string(data.szTip, strnlen(data.szTip, sizeof data.szTip));
}

bool RecordingStatusIconService::NotifyIcon(std::uint32_t message, const NotifyIconData& data) {
    const auto key = std::make_pair(data.hWnd, data.uID);
    bool accepted = false;
    switch (message) {
        case NIM_ADD:
            accepted = available_ && shown_.insert(key).second;
            break;
        case NIM_MODIFY:
            accepted = shown_.count(key) != 0;
            break;
        case NIM_DELETE:
            accepted = shown_.erase(key) != 0;
            break;
        case NIM_SETVERSION:
            accepted = shown_.count(key) != 0;
            break;
        default:
            break;
    }
    calls_.push_back({message, data, accepted});
    return accepted;
}

void RecordingStatusIconService::AddRestartListener(MessageWindow* window) {
    listeners_.push_back(window);
}

void RecordingStatusIconService::RemoveRestartListener(MessageWindow* window) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), window), listeners_.end());
}

bool RecordingStatusIconService::CursorPos(int& x, int& y) const {
    if (!cursorReadable_) return false;
    x = x_;
    y = y_;
    return true;
}

std::vector<std::uint32_t> RecordingStatusIconService::Messages() const {
    std::vector<std::uint32_t> messages;
    for (const Call& call : calls_) messages.push_back(call.message);
    return messages;
}

bool RecordingStatusIconService::Shown(MessageWindow* hWnd, std::uintptr_t uID) const {
    return shown_.count({hWnd, uID}) != 0;
}

const NotifyIconData* RecordingStatusIconService::LastRecord() const {
    return calls_.empty() ? nullptr : &calls_.back().data;
}

void RecordingStatusIconService::Notify(std::uint32_t code) {
    if (const NotifyIconData* record = LastRecord()) Notify(record->uID, code);
}

void RecordingStatusIconService::Notify(std::uintptr_t uID, std::uint32_t code) {
    for (auto it = calls_.rbegin(); it != calls_.rend(); ++it)
        if (it->data.uID == uID) {
            // As the shell: only an entry that is shown sends notifications.
            if (Shown(it->data.hWnd, uID))
                it->data.hWnd->HandleMessage(it->data.uCallbackMessage, uID,
                                             static_cast<std::intptr_t>(code));
            return;
        }
}

void RecordingStatusIconService::RestartHost() {
    shown_.clear();
    const std::vector<MessageWindow*> listeners = listeners_;
    for (MessageWindow* window : listeners) window->HandleMessage(TaskbarCreatedMessage, 0, 0);
}

void RecordingStatusIconService::SetCursor(int x, int y, bool readable) {
    x_ = x;
    y_ = y;
    cursorReadable_ = readable;
}

void RecordingStatusIconService::SetEntryMenu(MessageWindow* hWnd, std::uintptr_t uID,
                                              MenuModel* menu) {
    if (menu)
        menus_[{hWnd, uID}] = menu;
    else
        menus_.erase({hWnd, uID});
}

MenuModel* RecordingStatusIconService::EntryMenu(MessageWindow* hWnd, std::uintptr_t uID) const {
    const auto it = menus_.find({hWnd, uID});
    return it == menus_.end() ? nullptr : it->second;
}

}  // namespace skyvane::platform
