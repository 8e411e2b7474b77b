// SPDX-License-Identifier: GPL-3.0-or-later
// The map's window: the map, a row that asks for the station's locator while it is not
// known, and a row with the path under the pointer, the point picked and its Turn
// button.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "app/map/MapCanvas_p.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace skyvane {

class TMapWindow : public QWidget {
public:
    // Asks the rotor to turn to a heading; false when it cannot be reached.
    using TTurn = std::function<bool(int heading)>;

    // A window of its own, destroyed with `parent`; loads the picture of the earth.
    explicit TMapWindow(QWidget* parent);

    // Centres the map on the station's locator, or asks for it while it is empty.
    void SetStation(const std::string& locator);

    // Where turns go.
    void SetOnTurn(TTurn handler) { onTurn_ = std::move(handler); }
    // The user gave the station's locator.
    void SetOnStation(std::function<void(const std::string&)> handler) {
        onStation_ = std::move(handler);
    }
    // The user closed the window.
    void SetOnClosed(std::function<void()> handler) { onClosed_ = std::move(handler); }
    // The window moved or changed size.
    void SetOnMoved(std::function<void()> handler) { onMoved_ = std::move(handler); }

    // Turns to the point picked last, as its button does.
    void TurnToPicked();

    // The parts of the window, for tests.
    TMapCanvas* Canvas() const { return canvas_; }
    QLabel* PointerLabel() const { return pointer_; }
    QLabel* MessageLabel() const { return message_; }
    QPushButton* TurnButton() const { return turn_; }
    QLineEdit* LocatorEdit() const { return locator_; }
    QPushButton* CentreButton() const { return centre_; }
    QLabel* NoteLabel() const { return note_; }
    // The point picked and waiting for its Turn, if any.
    const std::optional<TGreatCirclePath>& Picked() const { return picked_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ShowPointer(const std::optional<TGreatCirclePath>& path);
    void Pick(const std::optional<TGreatCirclePath>& path);
    void TurnTo(const TGreatCirclePath& path);
    // The locator field changed: the note says whether it holds a locator.
    void LocatorTyped();
    // Enter or Centre map: a locator typed becomes the station's.
    void LocatorGiven();
    std::optional<std::string> TypedLocator() const;

    QImage earth_;
    TMapCanvas* canvas_;
    QWidget* locatorRow_;
    QLineEdit* locator_;
    QPushButton* centre_;
    QLabel* locatorNote_;
    QLabel* pointer_;
    QLabel* message_;
    QPushButton* turn_;
    QLabel* note_;
    std::string station_;
    std::optional<TGreatCirclePath> picked_;
    TTurn onTurn_;
    std::function<void(const std::string&)> onStation_;
    std::function<void()> onClosed_;
    std::function<void()> onMoved_;
};

}  // namespace skyvane
