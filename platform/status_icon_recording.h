// SPDX-License-Identifier: GPL-3.0-or-later
// A notification area that records every shell call, for tests: it keeps the
// shown entries as the shell would, and lets a test send notifications, restart
// the tray host and set the pointer, keys and double-click time.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/status_icon.h"

namespace skyvane::platform {

class RecordingStatusIconService : public StatusIconService {
public:
    // One recorded shell call.
    struct Call {
        std::uint32_t message;
        NotifyIconData data;
        bool accepted;
        // The hint as the record carries it (up to the first zero byte).
        std::string Tip() const;
    };

    bool NotifyIcon(std::uint32_t message, const NotifyIconData& data) override;
    bool Available() const override { return available_; }
    void SetEntryMenu(MessageWindow* hWnd, std::uintptr_t uID, MenuModel* menu) override;
    void AddRestartListener(MessageWindow* window) override;
    void RemoveRestartListener(MessageWindow* window) override;
    bool CursorPos(int& x, int& y) const override;
    unsigned ModifierKeys() const override { return keys_; }
    unsigned DoubleClickTime() const override { return doubleClickTime_; }

    // Every shell call so far, oldest first.
    const std::vector<Call>& Calls() const { return calls_; }
    // The messages (NIM_*) of the calls so far.
    std::vector<std::uint32_t> Messages() const;
    void ClearCalls() { calls_.clear(); }
    // True while the entry (hWnd, uID) is shown.
    bool Shown(MessageWindow* hWnd, std::uintptr_t uID) const;
    // The record of the last call for the entry, or nullptr.
    const NotifyIconData* LastRecord() const;

    // Sends notification `code` for the last recorded entry, as the shell does (only
    // while that entry is shown).
    void Notify(std::uint32_t code);
    // Sends notification `code` for the entry with identifier `uID` (as last recorded).
    void Notify(std::uintptr_t uID, std::uint32_t code);
    // The tray host dies and comes back: every entry is forgotten, listeners told.
    void RestartHost();

    void SetAvailable(bool available) { available_ = available; }
    // Cursor position; readable false makes CursorPos fail.
    void SetCursor(int x, int y, bool readable = true);
    void SetModifierKeys(unsigned keys) { keys_ = keys; }
    void SetDoubleClickTime(unsigned ms) { doubleClickTime_ = ms; }
    // The menu last set for the entry (hWnd, uID), or nullptr.
    MenuModel* EntryMenu(MessageWindow* hWnd, std::uintptr_t uID) const;
    // Number of restart listeners registered now.
    std::size_t RestartListenerCount() const { return listeners_.size(); }

private:
    std::vector<Call> calls_;
    std::set<std::pair<MessageWindow*, std::uintptr_t>> shown_;
    std::vector<MessageWindow*> listeners_;
    std::map<std::pair<MessageWindow*, std::uintptr_t>, MenuModel*> menus_;
    bool available_ = true;
    int x_ = 0, y_ = 0;
    bool cursorReadable_ = true;
    unsigned keys_ = 0;
    unsigned doubleClickTime_ = 500;
};

}  // namespace skyvane::platform
