// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AboutForm.h"

#include <qdrawutil.h>

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "app/AboutForm_p.h"
#include "toolkit/ExceptionReport.h"

namespace skyvane {

namespace aboutbox {

// ---- TPanel ----

class TPanel::Frame : public QFrame {
public:
    explicit Frame(QWidget* parent) : QFrame(parent) { setAutoFillBackground(true); }
    TBevel outer = TBevel::Raised;
    TBevel inner = TBevel::None;

    int Border() const { return (outer != TBevel::None) + (inner != TBevel::None); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        QRect r = rect();
        for (TBevel bevel : {outer, inner}) {
            if (bevel == TBevel::None) continue;
            qDrawShadePanel(&p, r, palette(), bevel == TBevel::Lowered, 1);
            r.adjust(1, 1, -1, -1);
        }
    }
};

TPanel::TPanel(TComponent* owner, QWidget* parent) : TComponent(owner), frame_(new Frame(parent)) {}

TPanel::~TPanel() {
    delete frame_;
}

QFrame* TPanel::Widget() const {
    return frame_;
}

void TPanel::SetBounds(int left, int top, int width, int height) {
    frame_->setGeometry(left, top, width, height);
}

void TPanel::SetBevelOuter(TBevel bevel) {
    frame_->outer = bevel;
    frame_->update();
}

void TPanel::SetBevelInner(TBevel bevel) {
    frame_->inner = bevel;
    frame_->update();
}

int TPanel::BorderWidth() const {
    return frame_->Border();
}

// ---- TImage ----

TImage::TImage(TComponent* owner, QWidget* parent) : TComponent(owner), label_(new QLabel(parent)) {
    label_->setAlignment(Qt::AlignCenter);
}

TImage::~TImage() {
    delete label_;
}

void TImage::SetBounds(int left, int top, int width, int height) {
    label_->setGeometry(left, top, width, height);
}

void TImage::SetPicture(const QPixmap& picture) {
    if (picture.isNull())
        label_->clear();
    else
        label_->setPixmap(picture);
}

QPixmap TImage::Picture() const {
    return label_->pixmap();
}

// ---- TButton ----

TButton::TButton(TComponent* owner, QWidget* parent)
    : TComponent(owner), button_(new QPushButton(parent)) {
    QObject::connect(button_, &QPushButton::clicked, [this] { Guarded([this] { Click(); }); });
}

TButton::~TButton() {
    delete button_;
}

void TButton::SetBounds(int left, int top, int width, int height) {
    button_->setGeometry(left, top, width, height);
}

void TButton::SetCaption(const std::string& caption) {
    button_->setText(QString::fromLocal8Bit(caption));
}

void TButton::SetDefault(bool isDefault) {
    default_ = isDefault;
    button_->setDefault(isDefault);
}

void TButton::Click() {
    if (onClick_) onClick_(this);
}

}  // namespace aboutbox

using aboutbox::TBevel;

namespace {
// Stored widths of the two lines that wrap; the others size to one line of text.
constexpr int ProgrammerWidth = 59;
constexpr int WebsiteWidth = 44;

// Breaks `text` into lines no wider than `width` at spaces (and at its own line breaks);
// a word wider than `width` stands alone on its line, uncut.
QStringList WrapAtSpaces(const QFontMetrics& metrics, const QString& text, int width) {
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString current;
        for (const QString& word : paragraph.split(QLatin1Char(' '))) {
            const QString candidate = current.isEmpty() ? word : current + QLatin1Char(' ') + word;
            if (!current.isEmpty() && metrics.horizontalAdvance(candidate) > width) {
                lines << current;
                current = word;
            } else {
                current = candidate;
            }
        }
        lines << current;
    }
    return lines;
}
}  // namespace

TAboutBox::TAboutBox(TComponent* owner) : TForm(owner) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);

    panel1_ = new aboutbox::TPanel(this, this);
    panel2_ = new aboutbox::TPanel(this, panel1_->Widget());
    image1_ = new aboutbox::TImage(this, panel2_->Widget());
    productName_ = new TLabel(this);
    copyright_ = new TLabel(this);
    programmer_ = new TLabel(this);
    website_ = new TLabel(this);
    okButton_ = new aboutbox::TButton(this, this);
    for (TLabel* line : {productName_, copyright_, programmer_, website_}) {
        line->Widget()->setParent(panel1_->Widget());
        line->Widget()->setTextFormat(Qt::PlainText);
    }

    LoadLayout([this] {
        SetName("AboutBox");
        SetCaption("About");
        SetFont(TFont{"MS Sans Serif", -11, clWindowText, 0});
        setFixedSize(296, 182);

        panel1_->SetName("Panel1");
        panel1_->SetBounds(8, 8, 281, 137);
        panel1_->SetBevelInner(TBevel::Raised);
        panel1_->SetBevelOuter(TBevel::Lowered);

        panel2_->SetName("Panel2");
        panel2_->SetBounds(8, 8, 50, 50);
        panel2_->SetBevelOuter(TBevel::Lowered);

        image1_->SetName("Image1");
        const int border = panel2_->BorderWidth();
        image1_->SetBounds(border, border, 50 - 2 * border, 50 - 2 * border);

        const struct {
            TLabel* label;
            const char* name;
            int top;
            int wrapWidth;  // 0: one line, sized to the text
        } lines[] = {{productName_, "ProductName", 8, 0},
                     {copyright_, "Copyright", 40, 0},
                     {programmer_, "Programmer", 72, ProgrammerWidth},
                     {website_, "Website", 104, WebsiteWidth}};
        for (const auto& line : lines) {
            line.label->SetName(line.name);
            line.label->SetBounds(64, line.top, std::max(line.wrapWidth, 1), 13);
            SetLineText(line.label, line.name);
        }

        okButton_->SetName("OKButton");
        okButton_->SetBounds(111, 152, 75, 25);
        okButton_->SetCaption("OK");
        okButton_->SetDefault(true);
        okButton_->SetOnClick([this](TComponent* sender) { OKButtonClick(sender); });
    });
    CenterOnScreen();
}

TAboutBox::~TAboutBox() {
    if (loop_) loop_->quit();
}

void TAboutBox::SetLineText(TLabel* line, const std::string& text) {
    line->SetCaption(text);
    QLabel* w = line->Widget();
    const QFontMetrics metrics(w->font());
    const int wrapAt = line == programmer_ ? ProgrammerWidth : line == website_ ? WebsiteWidth : 0;
    const QStringList lines =
        wrapAt > 0 ? WrapAtSpaces(metrics, w->text(), wrapAt) : w->text().split(QLatin1Char('\n'));
    int width = 1;
    for (const QString& l : lines) width = std::max(width, metrics.horizontalAdvance(l));
    if (wrapAt > 0) w->setText(lines.join(QLatin1Char('\n')));
    w->setGeometry(w->x(), w->y(), width, static_cast<int>(lines.size()) * metrics.height());
}

void TAboutBox::SetPicture(const QPixmap& picture) {
    image1_->SetPicture(picture);
}

QPixmap TAboutBox::Picture() const {
    return image1_->Picture();
}

TModalResult TAboutBox::ShowModal() {
    if (loop_) return modalResult_;  // already running: that run decides
    modalResult_ = TModalResult::mrNone;
    setWindowModality(Qt::ApplicationModal);
    show();
    activateWindow();
    okButton_->Widget()->setFocus();
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
    hide();
    return modalResult_;
}

void TAboutBox::SetModalResult(TModalResult result) {
    modalResult_ = result;
    if (result != TModalResult::mrNone) close();
}

void TAboutBox::OKButtonClick(TComponent*) {
    SetModalResult(TModalResult::mrOK);
}

void TAboutBox::closeEvent(QCloseEvent* event) {
    TForm::closeEvent(event);
    if (event->isAccepted() && loop_) loop_->quit();
}

void TAboutBox::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && okButton_->Default()) {
        Guarded([this] { okButton_->Click(); });
        return;
    }
    TForm::keyPressEvent(event);
}

void TAboutBox::CenterOnScreen() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

}  // namespace skyvane
