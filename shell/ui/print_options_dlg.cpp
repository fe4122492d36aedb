#include "shell/ui/print_options_dlg.h"

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
#include "tools/ui/resize_dialog.h"

namespace lp {

namespace {
constexpr int kPrintOptionsHelpTopic = 0x10000 + 32827;
constexpr const char* kCaption = "Lumaprism";

QString Text(const std::string& text) { return QString::fromStdString(text); }
QString Plain(const QString& label) { return QString(label).remove(QLatin1Char('&')); }

template <std::size_t N>
QGroupBox* RadioGroup(QWidget* parent, const char* title, const char* const (&labels)[N],
                      std::array<QRadioButton*, N>& buttons, bool vertical) {
    auto* box = new QGroupBox(QString::fromLatin1(title), parent);
    QBoxLayout* layout = vertical ? static_cast<QBoxLayout*>(new QVBoxLayout(box)) : new QHBoxLayout(box);
    for (std::size_t i = 0; i < N; ++i) {
        auto* b = new QRadioButton(QString::fromLatin1(labels[i]), box);
        b->setAccessibleName(Plain(b->text()));
        buttons[i] = b;
        layout->addWidget(b);
    }
    return box;
}
}  // namespace

CPrintOptionsDlg::CPrintOptionsDlg(int width, int height, const PrinterCaps& caps,
                                   const std::array<std::int32_t, 4>& margins, MeasureUnit unit, Prompter* prompter,
                                   QWidget* parent)
    : QDialog(parent), m_model(width, height, caps, margins, unit), m_prompter(prompter) {
    setObjectName(QStringLiteral("PrintingOptions"));
    setWindowTitle(QStringLiteral("Printing Options"));
    setAccessibleName(QStringLiteral("Printing Options"));
    setModal(true);
    auto* outer = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    outer->addLayout(left);

    const char* const modeLabels[] = {"&Fit To Page", "&Keep Size", "C&ustom"};
    left->addWidget(RadioGroup(this, "Size", modeLabels, m_modes, false));

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
        p->setRange(0, kMaxPrintPercent);
        p->setMaximumWidth(80);
    }
    grid->addWidget(xLabel, 0, 0);
    grid->addWidget(m_width, 0, 1);
    grid->addWidget(m_xPercent, 0, 2);
    auto* xPercentLabel = new QLabel(QStringLiteral("%"), this);
    grid->addWidget(xPercentLabel, 0, 3);
    grid->addWidget(yLabel, 1, 0);
    grid->addWidget(m_height, 1, 1);
    grid->addWidget(m_yPercent, 1, 2);
    auto* yPercentLabel = new QLabel(QStringLiteral("%"), this);
    grid->addWidget(yPercentLabel, 1, 3);
    m_proportional = new QCheckBox(QStringLiteral("&Propotional"), this);
    m_proportional->setAccessibleName(Plain(m_proportional->text()));
    grid->addWidget(m_proportional, 2, 1, 1, 3);
    left->addLayout(grid);
    m_sizeControls = {xLabel,     yLabel,        m_width,       m_height,      m_xPercent,
                      m_yPercent, xPercentLabel, yPercentLabel, m_proportional};

    const char* const unitLabels[] = {"Pi&xel", "&CM", "&Inch", "&mm"};
    left->addWidget(RadioGroup(this, "Units", unitLabels, m_units, false));
    const char* const separationLabels[] = {"Co&lor", "C&MY", "CMY&K"};
    left->addWidget(RadioGroup(this, "Separation", separationLabels, m_separations, false));

    auto* printer = new QGroupBox(QStringLiteral("Printer"), this);
    auto* pg = new QGridLayout(printer);
    m_resolution = new QLabel(printer);
    m_resolution->setAccessibleName(QStringLiteral("Resolution"));
    pg->addWidget(new QLabel(QStringLiteral("Resolution"), printer), 0, 0);
    pg->addWidget(m_resolution, 0, 1);
    const char* sides[] = {"Left", "Top", "Right", "Bottom"};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(QString::fromLatin1(sides[i]), printer);
        m_margins[std::size_t(i)] = new QLabel(printer);
        m_margins[std::size_t(i)]->setAccessibleName(label->text());
        pg->addWidget(label, 1 + i, 0);
        pg->addWidget(m_margins[std::size_t(i)], 1 + i, 1);
    }
    m_pages = new QLabel(printer);
    m_pages->setAccessibleName(QStringLiteral("# Pages"));
    pg->addWidget(new QLabel(QStringLiteral("# Pages"), printer), 5, 0);
    pg->addWidget(m_pages, 5, 1);
    left->addWidget(printer);

    auto* buttons = new QVBoxLayout;
    m_ok = new QPushButton(QStringLiteral("&OK"), this);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    m_printSetupButton = new QPushButton(QStringLiteral("Print &Setup"), this);
    m_pageSetupButton = new QPushButton(QStringLiteral("Pa&ge Setup"), this);
    m_help = new QPushButton(QStringLiteral("&Help"), this);
    for (QPushButton* b : {m_ok, m_cancel, m_printSetupButton, m_pageSetupButton, m_help}) {
        b->setAccessibleName(Plain(b->text()));
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    m_ok->setDefault(true);
    m_printSetupButton->setEnabled(false);
    m_pageSetupButton->setEnabled(false);
    m_help->setEnabled(false);
    outer->addLayout(buttons);

    for (int i = 0; i < 3; ++i)
        connect(m_modes[std::size_t(i)], &QRadioButton::toggled, this, [this, i](bool on) {
            if (!on || m_loading) return;
            m_model.SetSizeMode(PrintSizeMode(i));
            Load();
        });
    for (int i = 0; i < 4; ++i)
        connect(m_units[std::size_t(i)], &QRadioButton::toggled, this, [this, i](bool on) {
            if (!on || m_loading) return;
            // What is shown is converted: take any edit first.
            TakeField(true) && TakeField(false);
            m_model.SetUnit(MeasureUnit(i));
            Load();
        });
    for (int i = 0; i < 3; ++i)
        connect(m_separations[std::size_t(i)], &QRadioButton::toggled, this, [this, i](bool on) {
            if (!on || m_loading) return;
            m_model.SetSeparation(PrintSeparation(i));
            Load();
        });
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
        if (!m_loading) m_model.SetProportional(on);
    });
    connect(m_ok, &QPushButton::clicked, this, &CPrintOptionsDlg::accept);
    connect(m_cancel, &QPushButton::clicked, this, &CPrintOptionsDlg::reject);
    connect(m_printSetupButton, &QPushButton::clicked, this, [this] {
        if (!m_printSetup) return;
        if (const auto caps = m_printSetup()) m_model.SetPrinter(*caps);
        Load();
    });
    connect(m_pageSetupButton, &QPushButton::clicked, this, [this] {
        if (!m_pageSetup) return;
        if (const auto margins = m_pageSetup(m_model.Margins())) m_model.SetMargins(*margins);
        Load();
    });
    connect(m_help, &QPushButton::clicked, this, [this] {
        if (m_openHelp) m_openHelp(kPrintOptionsHelpTopic);
    });
    Load();
}

void CPrintOptionsDlg::SetPrintSetup(std::function<std::optional<PrinterCaps>()> printSetup) {
    m_printSetup = std::move(printSetup);
    m_printSetupButton->setEnabled(bool(m_printSetup));
}

void CPrintOptionsDlg::SetPageSetup(
    std::function<std::optional<std::array<std::int32_t, 4>>(const std::array<std::int32_t, 4>&)> pageSetup) {
    m_pageSetup = std::move(pageSetup);
    m_pageSetupButton->setEnabled(bool(m_pageSetup));
}

void CPrintOptionsDlg::SetHelp(std::function<void(int)> openTopic) {
    m_openHelp = std::move(openTopic);
    m_help->setEnabled(bool(m_openHelp));
}

void CPrintOptionsDlg::Load() {
    m_loading = true;
    m_modes[std::size_t(m_model.SizeMode())]->setChecked(true);
    m_units[std::size_t(m_model.Unit())]->setChecked(true);
    m_separations[std::size_t(m_model.Separation())]->setChecked(true);
    m_width->SetText(Text(m_model.WidthText()));
    m_height->SetText(Text(m_model.HeightText()));
    m_xPercent->setValue(m_model.XPercent());
    m_yPercent->setValue(m_model.YPercent());
    m_proportional->setChecked(m_model.Proportional());
    const bool custom = m_model.SizeControlsEnabled();
    for (QWidget* w : m_sizeControls)
        if (w) w->setEnabled(custom);
    // The value labels are named after their captions; a screen reader reads the value as the
    // description.
    const auto show = [](QLabel* label, const std::string& text) {
        label->setText(Text(text));
        label->setAccessibleDescription(Text(text));
    };
    show(m_resolution, m_model.ResolutionText());
    for (int i = 0; i < 4; ++i) show(m_margins[std::size_t(i)], m_model.MarginText(MarginSide(i)));
    show(m_pages, m_model.PagesText());
    m_loading = false;
}

void CPrintOptionsDlg::Refuse(QWidget* field, const std::string& message) {
    if (auto* size = qobject_cast<CSizeField*>(field)) size->Edit()->selectAll();
    field->setFocus();
    // The message box takes the focus: the field must not refuse again meanwhile.
    m_refusing = true;
    if (m_prompter) m_prompter->Message(message, kCaption, PromptIcon::Exclamation);
    m_refusing = false;
}

bool CPrintOptionsDlg::TakeField(bool width) {
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

void CPrintOptionsDlg::accept() {
    if (m_model.SizeControlsEnabled() && (!TakeField(true) || !TakeField(false))) return;
    const auto result = m_model.Accept();
    if (const auto* message = std::get_if<std::string>(&result)) {
        if (m_prompter) m_prompter->Message(*message, kCaption, PromptIcon::Exclamation);
        return;
    }
    m_result = std::get<PrintSettings>(result);
    QDialog::accept();
}

}  // namespace lp
