// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AimingMenu.h"

#include <QGuiApplication>
#include <algorithm>

#include "toolkit/Menu.h"

namespace skyvane {
namespace {

constexpr const char* Degree = "\xC2\xB0";

// A caption shows "&" as it is, not as a mnemonic.
std::string Literal(const std::string& text) {
    std::string literal;
    for (char c : text) {
        if (c == '&') literal += '&';
        literal += c;
    }
    // A lone "-" would be drawn as a dividing line.
    return literal == "-" ? "- " : literal;
}

}  // namespace

std::string DxCaption(const TDxEntry& dx) {
    const std::string head = "Turn to " + dx.call + " (" + dx.where + ")";
    return dx.shortPath ? head + " " + std::to_string(*dx.shortPath) + Degree
                        : head + "\xE2\x80\xA6";
}

std::string DxLongPathCaption(const TDxEntry& dx) {
    return "Turn to " + dx.call + " long path " + std::to_string(dx.longPath.value_or(0)) + Degree;
}

TAimingMenu::TAimingMenu(TComponent* owner, TPopupMenu& menu, TMenuItem* turnTo, THandlers handlers)
    : owner_(owner), handlers_(std::move(handlers)) {
    dx_ = Entry("DxEntry", "Turn to DX");
    dxLong_ = Entry("DxLongPathEntry", "Turn to DX long path");
    presets_ = Entry("PresetsEntry", "Presets");
    presetsSeparator_ = Entry("PresetsSeparator", "-");
    edit_ = Entry("EditPresetsEntry", "Edit presets\xE2\x80\xA6");
    park_ = Entry("ParkEntry", "Park");
    const auto& items = menu.Items();
    const std::size_t at = std::find(items.begin(), items.end(), turnTo) - items.begin();
    menu.Insert(at, dx_);
    menu.Insert(at + 1, dxLong_);
    menu.Insert(at + 3, presets_);
    menu.Insert(at + 4, park_);
    // With Ctrl held, the DX entry takes the long path.
    dx_->SetOnClick([this](TComponent*) {
        handlers_.turnToDx(QGuiApplication::queryKeyboardModifiers() & Qt::ControlModifier);
    });
    dxLong_->SetOnClick([this](TComponent*) { handlers_.turnToDx(true); });
    edit_->SetOnClick([this](TComponent*) { handlers_.editPresets(); });
    park_->SetOnClick([this](TComponent*) { handlers_.park(); });
    ShowDx(std::nullopt);
    ShowPresets({});
    SetSteerable(false);
}

TMenuItem* TAimingMenu::Entry(const char* name, const char* caption) {
    auto* item = new TMenuItem(owner_);
    item->SetName(name);
    item->SetCaption(caption);
    return item;
}

void TAimingMenu::ShowDx(const std::optional<TDxEntry>& dx) {
    dx_->SetVisible(dx.has_value());
    dxLong_->SetVisible(dx && dx->longPath);
    if (!dx) return;
    dx_->SetCaption(Literal(DxCaption(*dx)));
    if (dx->longPath) dxLong_->SetCaption(Literal(DxLongPathCaption(*dx)));
}

void TAimingMenu::ShowPresets(const std::vector<TPreset>& presets) {
    while (presetEntries_.size() < std::min(presets.size(), MaxPresets)) {
        const std::size_t index = presetEntries_.size();
        TMenuItem* item = Entry(("PresetEntry" + std::to_string(index + 1)).c_str(), "");
        item->SetOnClick([this, index](TComponent*) { handlers_.turnToPreset(index); });
        presetEntries_.push_back(item);
    }
    presets_->Clear();
    for (std::size_t i = 0; i < presetEntries_.size() && i < presets.size(); ++i) {
        presetEntries_[i]->SetCaption(Literal(presets[i].name));
        presetEntries_[i]->SetEnabled(steerable_);
        presets_->Add(presetEntries_[i]);
    }
    if (!presets.empty()) presets_->Add(presetsSeparator_);
    presets_->Add(edit_);
}

void TAimingMenu::SetSteerable(bool steerable) {
    steerable_ = steerable;
    for (TMenuItem* item : presetEntries_) item->SetEnabled(steerable);
    dx_->SetEnabled(steerable);
    dxLong_->SetEnabled(steerable);
    park_->SetEnabled(steerable);
}

}  // namespace skyvane
