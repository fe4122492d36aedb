#include "document/ui/animation_page.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "document/animation_edits.h"
#include "document/ui/frame_colour_dlg.h"
#include "imaging/colour_count.h"
#include "document/picture_document.h"
#include "guikit/ui/command_ids.h"
#include "imaging/ui/qimage_convert.h"
#include "shell/ui/child_frame.h"
#include "shell/ui/main_frame.h"

namespace lp {

namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

constexpr const char* kButtonLabels[6] = {"First", "Previous", "Next", "Last", "Play", "Stop"};

QLabel* Buddy(const QString& text, QWidget* field, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(field);
    field->setAccessibleName(QString(text).remove(QLatin1Char('&')).remove(QLatin1Char(':')).trimmed());
    return label;
}

QLabel* ValueText(const QString& name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setAccessibleName(name);
    label->setMinimumWidth(50);
    return label;
}

QIcon FrameIcon(const Picture& picture, int side) {
    QImage image = ToQImage(picture);
    if (image.isNull()) return {};
    return QIcon(QPixmap::fromImage(image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The frame list

CFrameListView::CFrameListView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FrameList"));
    setAccessibleName(QStringLiteral("Frames"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* viewButton = new QToolButton(this);
    viewButton->setText(QStringLiteral("&View"));
    viewButton->setAccessibleName(QStringLiteral("View"));
    viewButton->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(viewButton);
    m_largeIcons = menu->addAction(QStringLiteral("&Large Icon View"));
    m_detailedView = menu->addAction(QStringLiteral("&Detailed View"));
    for (QAction* a : {m_largeIcons, m_detailedView}) a->setCheckable(true);
    viewButton->setMenu(menu);
    layout->addWidget(viewButton, 0, Qt::AlignLeft);

    m_stack = new QStackedWidget(this);
    m_details = new QTreeWidget(m_stack);
    m_details->setObjectName(QStringLiteral("FrameDetails"));
    m_details->setAccessibleName(QStringLiteral("Frames"));
    m_details->setRootIsDecorated(false);
    m_details->setColumnCount(int(kFrameListColumns.size()));
    QStringList headers;
    for (const FrameListColumn& c : kFrameListColumns) headers << Text(c.caption);
    m_details->setHeaderLabels(headers);
    for (int i = 0; i < int(kFrameListColumns.size()); ++i) m_details->setColumnWidth(i, kFrameListColumns[i].width);
    m_details->setIconSize(QSize(16, 16));
    m_icons = new QListWidget(m_stack);
    m_icons->setObjectName(QStringLiteral("FrameIcons"));
    m_icons->setAccessibleName(QStringLiteral("Frames"));
    m_icons->setViewMode(QListView::IconMode);
    m_icons->setIconSize(QSize(48, 48));
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setMovement(QListView::Static);
    m_stack->addWidget(m_details);
    m_stack->addWidget(m_icons);
    layout->addWidget(m_stack);
    SetDetailed(true);

    connect(m_largeIcons, &QAction::triggered, this, [this] { SetDetailed(false); });
    connect(m_detailedView, &QAction::triggered, this, [this] { SetDetailed(true); });
    connect(m_details, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!m_filling && item) emit FrameChosen(m_details->indexOfTopLevelItem(item));
    });
    connect(m_icons, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!m_filling && row >= 0) emit FrameChosen(row);
    });
}

void CFrameListView::SetDetailed(bool detailed) {
    m_stack->setCurrentWidget(detailed ? static_cast<QWidget*>(m_details) : m_icons);
    m_detailedView->setChecked(detailed);
    m_largeIcons->setChecked(!detailed);
}

bool CFrameListView::Detailed() const { return m_stack->currentWidget() == m_details; }

void CFrameListView::Show(COrvantixDoc* document, double bitsPerSecond) {
    m_filling = true;
    const std::size_t count = document ? document->FrameCount() : 0;
    // Rows are kept and rewritten: rebuilding them all would lose the scroll position.
    while (m_details->topLevelItemCount() > int(count)) delete m_details->takeTopLevelItem(m_details->topLevelItemCount() - 1);
    while (m_icons->count() > int(count)) delete m_icons->takeItem(m_icons->count() - 1);
    for (std::size_t i = 0; i < count; ++i) {
        const auto row = FrameListRow(*document, i, bitsPerSecond);
        QTreeWidgetItem* item = m_details->topLevelItem(int(i));
        if (!item) {
            item = new QTreeWidgetItem(m_details);
            for (int c = 0; c < int(kFrameListColumns.size()); ++c) {
                const int a = kFrameListColumns[std::size_t(c)].alignment;
                item->setTextAlignment(c, (a == 0 ? Qt::AlignLeft : a == 1 ? Qt::AlignRight : Qt::AlignHCenter) |
                                              Qt::AlignVCenter);
            }
        }
        for (int c = 0; c < int(row.size()); ++c) item->setText(c, QString::fromStdString(row[std::size_t(c)]));
        QListWidgetItem* icon = m_icons->item(int(i));
        if (!icon) icon = new QListWidgetItem(m_icons);
        icon->setText(QString::fromStdString(row[0]));
        const Picture& picture = document->Frames()[i].picture;
        if (item->data(0, Qt::UserRole).toLongLong() != document->Frames()[i].colourCount + 0x100000000LL * i ||
            item->icon(0).isNull()) {
            item->setIcon(0, FrameIcon(picture, 16));
            icon->setIcon(FrameIcon(picture, 48));
            item->setData(0, Qt::UserRole, qlonglong(document->Frames()[i].colourCount + 0x100000000LL * i));
        }
    }
    if (document && count > 0) {
        const int current = int(document->CurrentFrame());
        m_details->setCurrentItem(m_details->topLevelItem(current));
        m_icons->setCurrentRow(current);
    }
    m_filling = false;
}

// ---------------------------------------------------------------------------------------------
// The page

CAnimationPage::CAnimationPage(CMainFrame& mainFrame, QWidget* parent) : QWidget(parent), m_main(mainFrame) {
    setObjectName(QStringLiteral("AnimationPage"));
    setAccessibleName(QStringLiteral("Animation Controls"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(4, 4, 4, 4);
    outer->setSpacing(4);

    // The current frame.
    auto* frameBox = new QGroupBox(QStringLiteral("Frame Properties"), this);
    auto* fg = new QGridLayout(frameBox);
    m_left = new QLineEdit(frameBox);
    m_top = new QLineEdit(frameBox);
    for (QLineEdit* e : {m_left, m_top}) {
        e->setValidator(new QIntValidator(0, kMaxFramePosition, e));
        e->setMaximumWidth(60);
    }
    fg->addWidget(Buddy(QStringLiteral("Left"), m_left, frameBox), 0, 0);
    fg->addWidget(m_left, 0, 1);
    fg->addWidget(Buddy(QStringLiteral("Top"), m_top, frameBox), 0, 2);
    fg->addWidget(m_top, 0, 3);
    m_transparent = new QCheckBox(QStringLiteral("Transparent"), frameBox);
    m_transparent->setAccessibleName(QStringLiteral("Transparent"));
    m_colour = new QPushButton(frameBox);
    m_colour->setAccessibleName(QStringLiteral("Transparent Color"));
    m_colour->setToolTip(QStringLiteral("Transparent Color"));
    m_colour->setFixedSize(28, 18);
    fg->addWidget(m_transparent, 1, 0, 1, 2);
    fg->addWidget(m_colour, 1, 2);
    m_delay = new QLineEdit(frameBox);
    m_delay->setMaximumWidth(60);
    fg->addWidget(Buddy(QStringLiteral("Delay"), m_delay, frameBox), 2, 0);
    fg->addWidget(m_delay, 2, 1);
    m_userInput = new QCheckBox(QStringLiteral("Wait for User Input"), frameBox);
    m_userInput->setAccessibleName(m_userInput->text());
    fg->addWidget(m_userInput, 2, 2, 1, 2);
    auto* removeBox = new QGroupBox(QStringLiteral("Remove Image with"), frameBox);
    removeBox->setAccessibleName(removeBox->title());
    auto* rl = new QVBoxLayout(removeBox);
    for (int i = 0; i < 3; ++i) {
        m_disposal[std::size_t(i)] = new QRadioButton(Text(kDisposalLabels[std::size_t(i)]), removeBox);
        m_disposal[std::size_t(i)]->setAccessibleName(m_disposal[std::size_t(i)]->text());
        rl->addWidget(m_disposal[std::size_t(i)]);
    }
    fg->addWidget(removeBox, 3, 0, 1, 4);
    m_frameSize = ValueText(QStringLiteral("Frame Size"), frameBox);
    m_frameTime = ValueText(QStringLiteral("Transfer Time"), frameBox);
    fg->addWidget(new QLabel(QStringLiteral("Frame Size"), frameBox), 4, 0);
    fg->addWidget(m_frameSize, 4, 1);
    fg->addWidget(new QLabel(QStringLiteral("Transfer Time"), frameBox), 4, 2);
    fg->addWidget(m_frameTime, 4, 3);
    outer->addWidget(frameBox);

    // The animation.
    auto* animBox = new QGroupBox(QStringLiteral("Animation"), this);
    auto* ag = new QGridLayout(animBox);
    m_automatic = new QCheckBox(QStringLiteral("Automatic Size"), animBox);
    m_automatic->setAccessibleName(m_automatic->text());
    ag->addWidget(m_automatic, 0, 0, 1, 4);
    m_x = new QSpinBox(animBox);
    m_y = new QSpinBox(animBox);
    for (QSpinBox* s : {m_x, m_y}) s->setRange(kMinScreenSide, kMaxScreenSide);
    ag->addWidget(Buddy(QStringLiteral("X Axis"), m_x, animBox), 1, 0);
    ag->addWidget(m_x, 1, 1);
    ag->addWidget(Buddy(QStringLiteral("Y Axis"), m_y, animBox), 1, 2);
    ag->addWidget(m_y, 1, 3);
    m_continuous = new QCheckBox(QStringLiteral("Continuous"), animBox);
    m_continuous->setAccessibleName(m_continuous->text());
    m_loops = new QSpinBox(animBox);
    m_loops->setRange(0, kMaxLoopCount);
    m_loops->setAccessibleName(QStringLiteral("Loop Count"));
    m_loops->setToolTip(QStringLiteral("Loop Count"));
    ag->addWidget(m_continuous, 2, 0, 1, 2);
    ag->addWidget(m_loops, 2, 2, 1, 2);
    m_fileSize = ValueText(QStringLiteral("File Size"), animBox);
    m_fileTime = ValueText(QStringLiteral("Transfer Time"), animBox);
    ag->addWidget(new QLabel(QStringLiteral("File Size"), animBox), 3, 0);
    ag->addWidget(m_fileSize, 3, 1);
    ag->addWidget(new QLabel(QStringLiteral("Transfer Time"), animBox), 3, 2);
    ag->addWidget(m_fileTime, 3, 3);
    m_comment = new QPlainTextEdit(animBox);
    m_comment->setMaximumHeight(44);
    ag->addWidget(Buddy(QStringLiteral("Gif Comment (Max. 255 characters)"), m_comment, animBox), 4, 0, 1, 4);
    ag->addWidget(m_comment, 5, 0, 1, 4);
    outer->addWidget(animBox);

    // Stepping and playing.
    m_frameText = new QLabel(QStringLiteral("Frame 1"), this);
    m_frameText->setAlignment(Qt::AlignCenter);
    outer->addWidget(m_frameText);
    auto* sliderRow = new QHBoxLayout;
    m_frameSlider = new QSlider(Qt::Horizontal, this);
    m_frameSlider->setAccessibleName(QStringLiteral("Frame"));
    m_frameSlider->setPageStep(1);
    m_frameCountText = new QLabel(QStringLiteral("1"), this);
    sliderRow->addWidget(new QLabel(QStringLiteral("1"), this));
    sliderRow->addWidget(m_frameSlider);
    sliderRow->addWidget(m_frameCountText);
    outer->addLayout(sliderRow);
    auto* buttons = new QHBoxLayout;
    for (int i = 0; i < 6; ++i) {
        m_buttons[std::size_t(i)] = new QPushButton(QString::fromLatin1(kButtonLabels[i]), this);
        m_buttons[std::size_t(i)]->setAccessibleName(m_buttons[std::size_t(i)]->text());
        buttons->addWidget(m_buttons[std::size_t(i)]);
    }
    outer->addLayout(buttons);
    auto* speedRow = new QHBoxLayout;
    m_speed = new QSlider(Qt::Horizontal, this);
    m_speed->setAccessibleName(QStringLiteral("Speed"));
    m_speed->setRange(0, kSpeedSliderMax);
    m_speed->setValue(kSpeedSliderNormal);
    m_speedText = new QLabel(QStringLiteral("0"), this);
    m_speedText->setAccessibleName(QStringLiteral("Speed Value"));
    m_applySpeed = new QPushButton(QStringLiteral("Apply"), this);
    m_applySpeed->setAccessibleName(QStringLiteral("Apply"));
    speedRow->addWidget(new QLabel(QStringLiteral("Slow"), this));
    speedRow->addWidget(m_speed);
    speedRow->addWidget(new QLabel(QStringLiteral("Fast"), this));
    speedRow->addWidget(m_speedText);
    speedRow->addWidget(m_applySpeed);
    outer->addLayout(speedRow);

    m_list = new CFrameListView(this);
    outer->addWidget(m_list, 1);

    // Forwarding.
    connect(m_left, &QLineEdit::textEdited, this, [this](const QString& t) {
        Commit(m_left, [&](COrvantixDoc& d) { d.SetFrameLeft(t.toLongLong()); });
    });
    connect(m_top, &QLineEdit::textEdited, this, [this](const QString& t) {
        Commit(m_top, [&](COrvantixDoc& d) { d.SetFrameTop(t.toLongLong()); });
    });
    connect(m_transparent, &QCheckBox::clicked, this, [this](bool on) {
        const ColourRef colour = m_main.Settings().Background();
        Commit(m_transparent, [&](COrvantixDoc& d) { d.SetFrameTransparent(on, colour); });
    });
    connect(m_colour, &QPushButton::clicked, this, &CAnimationPage::ChooseTransparentColour);
    connect(m_delay, &QLineEdit::textChanged, this, &CAnimationPage::OnDelayEdited);
    connect(m_userInput, &QCheckBox::clicked, this,
            [this](bool on) { Commit(m_userInput, [&](COrvantixDoc& d) { d.SetFrameUserInput(on); }); });
    for (int i = 0; i < 3; ++i)
        connect(m_disposal[std::size_t(i)], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on) Commit(m_disposal[std::size_t(i)], [&](COrvantixDoc& d) { d.SetFrameDisposal(DisposalOfChoice(i)); });
        });
    connect(m_automatic, &QCheckBox::clicked, this,
            [this](bool on) { Commit(m_automatic, [&](COrvantixDoc& d) { d.SetAutomaticSize(on); }); });
    auto screen = [this](QSpinBox* box) {
        Commit(box, [&](COrvantixDoc& d) { d.SetScreenSize(m_x->value(), m_y->value()); });
    };
    connect(m_x, &QSpinBox::valueChanged, this, [this, screen] { screen(m_x); });
    connect(m_y, &QSpinBox::valueChanged, this, [this, screen] { screen(m_y); });
    connect(m_continuous, &QCheckBox::clicked, this,
            [this](bool on) { Commit(m_continuous, [&](COrvantixDoc& d) { d.SetContinuous(on); }); });
    connect(m_loops, &QSpinBox::valueChanged, this,
            [this](int v) { Commit(m_loops, [&](COrvantixDoc& d) { d.SetLoopCount(v); }); });
    connect(m_comment, &QPlainTextEdit::textChanged, this, [this] {
        const std::string text = m_comment->toPlainText().toStdString();
        Commit(m_comment, [&](COrvantixDoc& d) { d.SetComment(text); });
    });
    connect(m_frameSlider, &QSlider::valueChanged, this,
            [this](int v) { Commit(m_frameSlider, [&](COrvantixDoc& d) { d.SelectFrame(std::size_t(v)); }); });
    connect(m_list, &CFrameListView::FrameChosen, this,
            [this](int v) { Commit(m_list, [&](COrvantixDoc& d) { d.SelectFrame(std::size_t(v)); }); });
    // Stepping and playing are the menu's commands, routed as the menu routes them.
    const int commands[6] = {cmd::kFirstFrame, cmd::kPrevFrame, cmd::kNextFrame, cmd::kLastFrame, cmd::kPlay, cmd::kStop};
    for (int i = 0; i < 6; ++i) {
        const int id = commands[i];
        connect(m_buttons[std::size_t(i)], &QPushButton::clicked, this, [this, id] {
            m_main.RouteCommand(id);
            Refresh();
        });
    }
    connect(m_speed, &QSlider::valueChanged, this, [this](int v) {
        m_speedText->setText(QString::fromStdString(SpeedSliderText(v)));
        if (m_updating) return;
        if (COrvantixDoc* d = Document()) d->SetPlaybackSpeed(PlaybackSpeedFactor(v));
    });
    connect(m_applySpeed, &QPushButton::clicked, this, [this] {
        if (COrvantixDoc* d = Document()) {
            if (m_main.confirmPictureChange && m_frame && !m_main.confirmPictureChange(*m_frame)) return;
            d->ScaleDelays(PlaybackSpeedFactor(m_speed->value()));
        }
        const QSignalBlocker block(m_speed);
        m_speed->setValue(kSpeedSliderNormal);
        m_speedText->setText(QStringLiteral("0"));
        Refresh();
    });

    connect(m_main.MdiArea(), &QMdiArea::subWindowActivated, this, &CAnimationPage::Attach);
    Refresh();
}

QPushButton* CAnimationPage::Button(const char* label) const {
    for (int i = 0; i < 6; ++i)
        if (QLatin1String(kButtonLabels[i]) == QLatin1String(label)) return m_buttons[std::size_t(i)];
    return nullptr;
}

COrvantixDoc* CAnimationPage::Document() const { return m_frame ? &m_frame->Document() : nullptr; }

void CAnimationPage::Attach(QMdiSubWindow* window) {
    auto* frame = qobject_cast<CChildFrame*>(window);
    if (!frame && window) return;  // another kind of window: the page keeps what it shows
    if (frame == m_frame) return;
    if (m_frame) disconnect(m_frame, nullptr, this, nullptr);
    m_frame = frame;
    if (m_frame) connect(m_frame, &CChildFrame::DocumentChanged, this, &CAnimationPage::Refresh);
    Refresh();
}

template <typename Edit>
void CAnimationPage::Commit(QWidget* field, Edit edit) {
    if (m_updating) return;
    COrvantixDoc* document = Document();
    if (!document) return;
    m_committing = field;
    edit(*document);
    m_committing = nullptr;
    Refresh();
}

void CAnimationPage::OnDelayEdited(const QString& text) {
    if (m_updating) return;
    const std::string typed = text.toStdString();
    if (!IsDelayText(typed)) {
        // Digits and one point only: beep, and the text goes back selected.
        QApplication::beep();
        m_updating = true;
        m_delay->setText(m_lastDelay);
        m_updating = false;
        m_delay->selectAll();
        return;
    }
    m_lastDelay = text;
    if (const auto delay = DelayFromText(typed))
        Commit(m_delay, [&](COrvantixDoc& d) { d.SetFrameDelay(*delay); });
}

CFrameColourDlg* CAnimationPage::ColourChooser() const { return m_colourChooser.data(); }

void CAnimationPage::ChooseTransparentColour() {
    COrvantixDoc* document = Document();
    if (!document || !document->GetPicture() || m_colourChooser) return;
    // The chooser offers the frame's own colours, up to 256 of them, in scan order.
    std::array<ColourEntry, 256> found{};
    const int count = CollectColours(*document->GetPicture(), found);
    std::vector<ColourRef> colours;
    for (int i = 0; i < count; ++i) colours.push_back(found[std::size_t(i)].ToColour());
    const GifFrame& frame = document->Frames()[document->CurrentFrame()];
    const ColourRef now = frame.transparentColour != kNoColour ? frame.transparentColour : m_main.Settings().Background();
    auto* chooser = new CFrameColourDlg(colours, now, this);
    m_colourChooser = chooser;
    QPointer<CChildFrame> chosenFor(m_frame);
    connect(chooser, &QDialog::finished, this, [this, chooser, chosenFor](int result) {
        chooser->deleteLater();
        // The window may have changed while the chooser was open: the colour is for its picture.
        if (result != QDialog::Accepted || !chosenFor || chosenFor != m_frame) return;
        const ColourRef colour = chooser->Chosen();
        AppSettings& s = m_main.Settings();
        s.bgRed = RedOf(colour), s.bgGreen = GreenOf(colour), s.bgBlue = BlueOf(colour);
        Commit(m_colour, [&](COrvantixDoc& d) { d.SetFrameTransparent(true, colour); });
    });
    chooser->open();
}

void CAnimationPage::Refresh() {
    COrvantixDoc* document = Document();
    const double speed = m_main.Settings().modemSpeed;
    const AnimationPanelTexts t = document ? DescribeAnimation(*document, speed) : AnimationPanelTexts{};
    m_updating = true;
    for (QWidget* w : findChildren<QWidget*>()) {
        if (w == m_list || w->parentWidget() == this || qobject_cast<QGroupBox*>(w)) w->setEnabled(t.enabled);
    }
    auto setText = [this](QLineEdit* e, const std::string& text) {
        if (m_committing != e) e->setText(QString::fromStdString(text));
    };
    setText(m_left, t.left);
    setText(m_top, t.top);
    m_transparent->setChecked(t.transparent);
    m_colour->setEnabled(t.enabled && t.transparent);
    const ColourRef shown = t.transparent ? t.transparentColour : m_main.Settings().Background();
    m_colour->setStyleSheet(QStringLiteral("background-color: rgb(%1, %2, %3);")
                                .arg(RedOf(shown))
                                .arg(GreenOf(shown))
                                .arg(BlueOf(shown)));
    if (m_committing != m_delay) {
        m_delay->setText(QString::fromStdString(t.delay));
        m_lastDelay = m_delay->text();
    }
    m_userInput->setChecked(t.userInput);
    m_disposal[std::size_t(t.disposalChoice)]->setChecked(true);
    m_frameSize->setText(QString::fromStdString(t.frameSize));
    m_frameTime->setText(QString::fromStdString(t.frameTime));
    m_automatic->setChecked(t.automaticSize);
    if (m_committing != m_x && m_committing != m_y) {
        m_x->setValue(std::clamp(t.screenWidth, kMinScreenSide, kMaxScreenSide));
        m_y->setValue(std::clamp(t.screenHeight, kMinScreenSide, kMaxScreenSide));
    }
    m_continuous->setChecked(t.continuous);
    m_loops->setEnabled(t.enabled && !t.continuous);
    if (m_committing != m_loops) m_loops->setValue(t.loopCount);
    m_fileSize->setText(QString::fromStdString(t.fileSize));
    m_fileTime->setText(QString::fromStdString(t.fileTime));
    if (m_committing != m_comment && m_comment->toPlainText().toStdString() != t.comment)
        m_comment->setPlainText(QString::fromStdString(t.comment));
    m_frameSlider->setRange(0, std::max<int>(0, int(t.frameCount) - 1));
    m_frameSlider->setValue(int(t.currentFrame));
    m_frameText->setText(QString::fromStdString(t.enabled ? t.frameLabel : FrameLabel(0)));
    m_frameCountText->setText(QString::number(std::max<std::size_t>(t.frameCount, 1)));
    if (document) {
        m_buttons[0]->setEnabled(t.enabled);
        m_buttons[1]->setEnabled(t.enabled && document->CanPreviousFrame());
        m_buttons[2]->setEnabled(t.enabled && document->CanNextFrame());
        m_buttons[3]->setEnabled(t.enabled);
        m_buttons[4]->setEnabled(document->CanPlay());
        m_buttons[5]->setEnabled(t.enabled);
        const double factor = document->PlaybackSpeed();
        int position = kSpeedSliderNormal;
        for (int p = 0; p <= kSpeedSliderMax; ++p)
            if (std::abs(PlaybackSpeedFactor(p) - factor) < 1e-9) position = p;
        m_speed->setValue(position);
        m_speedText->setText(QString::fromStdString(SpeedSliderText(position)));
    }
    m_list->Show(t.enabled ? document : nullptr, speed);
    m_updating = false;
}

}  // namespace lp
