#include "tools/ui/resize_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/prompter.h"

namespace lp {

namespace {
constexpr int kResizeHelpTopic = 0x4007E;
constexpr const char* kCaption = "Lumaprism";

QString Text(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

CSizeField::CSizeField(QWidget* parent) : QAbstractSpinBox(parent) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setMaximumWidth(110);
    lineEdit()->setMaxLength(8);
}

void CSizeField::stepBy(int steps) { emit Stepped(steps); }

QString CSizeField::Text() const { return lineEdit()->text(); }

void CSizeField::SetText(const QString& text) {
    if (lineEdit()->text() != text) lineEdit()->setText(text);
}

CPictureResizeDlg::CPictureResizeDlg(int width, int height, const MeasureUnits& units, Prompter* prompter,
                                     QWidget* parent)
    : QDialog(parent), m_model(width, height, units), m_prompter(prompter) {
    setObjectName(QStringLiteral("PictureResize"));
    setWindowTitle(QStringLiteral("Picture Resize"));
    setAccessibleName(QStringLiteral("Picture Resize"));
    setModal(true);
    auto* outer = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    m_width = new CSizeField(this);
    m_height = new CSizeField(this);
    m_xPercent = new QSpinBox(this);
    m_yPercent = new QSpinBox(this);
    auto* xLabel = new QLabel(QStringLiteral("X Axis"), this);
    auto* yLabel = new QLabel(QStringLiteral("Y Axis"), this);
    xLabel->setBuddy(m_width);
    yLabel->setBuddy(m_height);
    m_width->setAccessibleName(QStringLiteral("X Axis"));
    m_height->setAccessibleName(QStringLiteral("Y Axis"));
    m_xPercent->setAccessibleName(QStringLiteral("X Axis %"));
    m_yPercent->setAccessibleName(QStringLiteral("Y Axis %"));
    for (QSpinBox* p : {m_xPercent, m_yPercent}) {
        p->setRange(0, kMaxResizePercent);
        p->setMaximumWidth(80);
    }
    grid->addWidget(xLabel, 0, 0);
    grid->addWidget(m_width, 0, 1);
    grid->addWidget(m_xPercent, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("%"), this), 0, 3);
    grid->addWidget(yLabel, 1, 0);
    grid->addWidget(m_height, 1, 1);
    grid->addWidget(m_yPercent, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("%"), this), 1, 3);
    outer->addLayout(grid);

    auto* unitBox = new QGroupBox(QStringLiteral("Units"), this);
    auto* ul = new QHBoxLayout(unitBox);
    const char* names[4] = {"&Pixel", "&CM", "&Inch", "&mm"};
    for (int i = 0; i < 4; ++i) {
        auto* b = new QRadioButton(QString::fromLatin1(names[i]), unitBox);
        b->setAccessibleName(b->text().remove(QLatin1Char('&')));
        m_units[std::size_t(i)] = b;
        ul->addWidget(b);
        connect(b, &QRadioButton::toggled, this, [this, i](bool on) {
            if (!on || m_loading) return;
            // What is shown is converted: take any edit first.
            TakeField(true) && TakeField(false);
            m_model.SetUnit(MeasureUnit(i));
            Load();
        });
    }
    outer->addWidget(unitBox);
    m_proportional = new QCheckBox(QStringLiteral("Proportionality"), this);
    m_smart = new QCheckBox(QStringLiteral("Smart Resize"), this);
    for (QCheckBox* c : {m_proportional, m_smart}) {
        c->setAccessibleName(c->text());
        outer->addWidget(c);
    }
    auto* buttons = new QHBoxLayout;
    m_ok = new QPushButton(QStringLiteral("&Ok"), this);
    m_cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_help = new QPushButton(QStringLiteral("&Help"), this);
    for (QPushButton* b : {m_ok, m_cancel, m_help}) {
        b->setAccessibleName(b->text().remove(QLatin1Char('&')));
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    m_ok->setDefault(true);
    m_help->setEnabled(false);
    outer->addLayout(buttons);

    connect(m_width->Edit(), &QLineEdit::editingFinished, this, [this] { TakeField(true); });
    connect(m_height->Edit(), &QLineEdit::editingFinished, this, [this] { TakeField(false); });
    connect(m_width, &CSizeField::Stepped, this, [this](int steps) {
        if (!TakeField(true)) return;
        if (auto message = m_model.SpinWidth(steps)) return Refuse(m_width, *message);
        Load();
    });
    connect(m_height, &CSizeField::Stepped, this, [this](int steps) {
        if (!TakeField(false)) return;
        if (auto message = m_model.SpinHeight(steps)) return Refuse(m_height, *message);
        Load();
    });
    connect(m_xPercent, &QSpinBox::valueChanged, this, [this](int v) {
        if (m_loading) return;
        m_model.SetXPercent(v);
        Load();
    });
    connect(m_yPercent, &QSpinBox::valueChanged, this, [this](int v) {
        if (m_loading) return;
        m_model.SetYPercent(v);
        Load();
    });
    connect(m_proportional, &QCheckBox::toggled, this, [this](bool on) {
        if (m_loading) return;
        m_model.SetProportional(on);
        Load();
    });
    connect(m_smart, &QCheckBox::toggled, this, [this](bool on) { m_model.SetSmart(on); });
    connect(m_ok, &QPushButton::clicked, this, &CPictureResizeDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CPictureResizeDlg::reject);
    connect(m_help, &QPushButton::clicked, this, [this] {
        if (m_openHelp) m_openHelp(kResizeHelpTopic);
    });
    Load();
}

void CPictureResizeDlg::SetHelp(std::function<void(int)> openTopic) {
    m_openHelp = std::move(openTopic);
    m_help->setEnabled(bool(m_openHelp));
}

void CPictureResizeDlg::Load() {
    m_loading = true;
    m_width->SetText(Text(m_model.WidthText()));
    m_height->SetText(Text(m_model.HeightText()));
    m_xPercent->setValue(m_model.XPercent());
    m_yPercent->setValue(m_model.YPercent());
    m_units[std::size_t(m_model.Unit())]->setChecked(true);
    m_proportional->setChecked(m_model.Proportional());
    m_smart->setChecked(m_model.Smart());
    m_loading = false;
}

void CPictureResizeDlg::Refuse(CSizeField* field, const std::string& message) {
    field->Edit()->selectAll();
    field->setFocus();
    // The message box takes the focus: the field must not refuse again meanwhile.
    m_refusing = true;
    if (m_prompter) m_prompter->Message(message, kCaption, PromptIcon::Exclamation);
    m_refusing = false;
}

bool CPictureResizeDlg::TakeField(bool width) {
    if (m_loading) return true;
    if (m_refusing) return false;
    CSizeField* field = width ? m_width : m_height;
    const std::string typed = field->Text().toStdString();
    if (typed == (width ? m_model.WidthText() : m_model.HeightText())) return true;
    if (auto message = width ? m_model.TypeWidth(typed) : m_model.TypeHeight(typed)) {
        Refuse(field, *message);
        return false;
    }
    Load();
    return true;
}

void CPictureResizeDlg::accept() {
    if (!TakeField(true) || !TakeField(false)) return;
    const auto result = m_model.Accept();
    if (const auto* message = std::get_if<std::string>(&result)) {
        if (m_prompter) m_prompter->Message(*message, kCaption, PromptIcon::Exclamation);
        return;
    }
    m_result = std::get<ResizeResult>(result);
    QDialog::accept();
}

}  // namespace lp
