// SPDX-License-Identifier: GPL-3.0-or-later
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/map/MapWindow_p.h"
#include "toolkit/ExceptionReport.h"

namespace skyvane {
namespace {

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

constexpr const char* HintText = "A click picks a bearing to turn to; a double click turns there.";
constexpr const char* NotTurnedText =
    "Not turned: switch Track on and wait for the rotor's line to open. Nothing was sent.";

}  // namespace

TMapWindow::TMapWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), earth_(LoadEarthImage(EarthImagePath())) {
    setWindowTitle("Skyvane map");
    canvas_ = new TMapCanvas(earth_, this);

    locatorRow_ = new QWidget(this);
    locator_ = new QLineEdit(locatorRow_);
    locator_->setPlaceholderText("your locator, such as JO62qm");
    locator_->setMaxLength(16);
    locatorNote_ = new QLabel("Needed to centre the map: please enter it once.", locatorRow_);
    locatorNote_->setWordWrap(true);
    centre_ = new QPushButton("&Centre map", locatorRow_);
    centre_->setEnabled(false);
    auto* locatorLabel = new QLabel("&Your locator:", locatorRow_);
    locatorLabel->setBuddy(locator_);
    auto* locatorLayout = new QHBoxLayout(locatorRow_);
    locatorLayout->setContentsMargins(0, 0, 0, 0);
    locatorLayout->addWidget(locatorLabel);
    locatorLayout->addWidget(locator_);
    locatorLayout->addWidget(centre_);
    locatorLayout->addWidget(locatorNote_, 1);

    pointer_ = new QLabel(this);
    // The rows keep their size whatever they say, so the map never moves under the mouse.
    message_ = new QLabel(this);
    message_->setWordWrap(true);
    message_->setFixedHeight(2 * message_->fontMetrics().lineSpacing() + 4);
    message_->setText(HintText);
    turn_ = new QPushButton("&Turn to 000\u00B0", this);
    turn_->setMinimumWidth(turn_->sizeHint().width());
    QSizePolicy keepsPlace = turn_->sizePolicy();
    keepsPlace.setRetainSizeWhenHidden(true);
    turn_->setSizePolicy(keepsPlace);
    turn_->setVisible(false);
    note_ = new QLabel(this);
    note_->setWordWrap(true);
    note_->setVisible(earth_.isNull());
    note_->setText("No land data: " + EarthImagePath() +
                   " could not be read (Debian package xplanet-images). The map shows the "
                   "sea alone.");

    auto* status = new QHBoxLayout;
    status->addWidget(pointer_, 1);
    status->addWidget(turn_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(canvas_, 1);
    layout->addWidget(locatorRow_);
    layout->addLayout(status);
    layout->addWidget(message_);
    layout->addWidget(note_);

    canvas_->SetOnPointer([this](const auto& path) { ShowPointer(path); });
    canvas_->SetOnPick([this](const auto& path) { Pick(path); });
    canvas_->SetOnDoubleClick([this](const auto& path) {
        if (path) TurnTo(*path);
    });
    connect(turn_, &QPushButton::clicked, this, [this] { Guarded([this] { TurnToPicked(); }); });
    connect(locator_, &QLineEdit::textChanged, this,
            [this] { Guarded([this] { LocatorTyped(); }); });
    connect(locator_, &QLineEdit::returnPressed, this,
            [this] { Guarded([this] { LocatorGiven(); }); });
    connect(centre_, &QPushButton::clicked, this, [this] { Guarded([this] { LocatorGiven(); }); });
    resize(560, 640);
    SetStation("");
}

void TMapWindow::SetStation(const std::string& locator) {
    station_ = locator;
    const std::optional<TGeoPosition> position = LocatorPosition(locator);
    canvas_->SetStation(position);
    locatorRow_->setVisible(!position);
    picked_.reset();
    turn_->setVisible(false);
    setWindowTitle(position ? Text("Skyvane map \u2013 " + locator) : QString("Skyvane map"));
}

void TMapWindow::ShowPointer(const std::optional<TGreatCirclePath>& path) {
    pointer_->setText(path ? Text("Pointer " + PathText(*path)) : QString());
}

void TMapWindow::Pick(const std::optional<TGreatCirclePath>& path) {
    picked_ = path;
    canvas_->SetPicked(path);
    if (!path) {
        message_->setText(HintText);
        turn_->setVisible(false);
        return;
    }
    const int heading = WholeDegreeBearing(path->bearing);
    message_->setText(Text("Picked " + PathText(*path) + ". Turn there? (Esc: no)"));
    turn_->setText(Text("&Turn to " + std::to_string(heading) + "\u00B0"));
    turn_->setVisible(true);
    turn_->setDefault(true);
}

void TMapWindow::TurnToPicked() {
    if (picked_) TurnTo(*picked_);
}

void TMapWindow::TurnTo(const TGreatCirclePath& path) {
    const int heading = WholeDegreeBearing(path.bearing);
    const bool turned = onTurn_ && onTurn_(heading);
    picked_.reset();
    canvas_->SetPicked(std::nullopt);
    turn_->setVisible(false);
    message_->setText(turned ? Text("Turning to " + std::to_string(heading) + "\u00B0.")
                             : QString(NotTurnedText));
}

std::optional<std::string> TMapWindow::TypedLocator() const {
    return NormalLocator(locator_->text().trimmed().toStdString());
}

void TMapWindow::LocatorTyped() {
    const bool typed = !locator_->text().trimmed().isEmpty();
    const bool valid = TypedLocator().has_value();
    centre_->setEnabled(valid);
    locatorNote_->setText(valid || !typed ? "Needed to centre the map: please enter it once."
                                          : "Not a locator: 4 or 6 characters, such as JO62qm.");
}

void TMapWindow::LocatorGiven() {
    if (const std::optional<std::string> locator = TypedLocator(); locator && onStation_)
        onStation_(*locator);
}

void TMapWindow::closeEvent(QCloseEvent* event) {
    Guarded([this] {
        if (onClosed_) onClosed_();
    });
    event->accept();
}

void TMapWindow::moveEvent(QMoveEvent*) {
    Guarded([this] {
        if (onMoved_) onMoved_();
    });
}

void TMapWindow::resizeEvent(QResizeEvent*) {
    Guarded([this] {
        if (onMoved_) onMoved_();
    });
}

void TMapWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && picked_) {
        Guarded([this] { Pick(std::nullopt); });
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace skyvane
