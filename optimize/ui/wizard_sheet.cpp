#include "optimize/ui/wizard_sheet.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "base/data_folders.h"
#include "base/prompter.h"
#include "tools/palette.h"

namespace lp {

namespace {

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

/// The label a user reads, without its mnemonic marker.
QString Plain(const QString& text) {
    QString plain = text;
    plain.remove(QLatin1Char('&'));
    return plain.trimmed();
}

template <class W>
W* Named(W* widget, const QString& name) {
    widget->setAccessibleName(Plain(name));
    return widget;
}

QRadioButton* Radio(const QString& text, QWidget* parent) { return Named(new QRadioButton(text, parent), text); }
QCheckBox* Check(const QString& text, QWidget* parent) { return Named(new QCheckBox(text, parent), text); }

/// A slider with its label and its value shown beside it.
struct LabelledSlider {
    QLabel* label = nullptr;
    QSlider* slider = nullptr;
    QLabel* value = nullptr;
    QString suffix;

    LabelledSlider(const QString& text, int low, int high, QWidget* parent, QString valueSuffix = {})
        : suffix(std::move(valueSuffix)) {
        label = new QLabel(text, parent);
        slider = Named(new QSlider(Qt::Horizontal, parent), text);
        slider->setRange(low, high);
        label->setBuddy(slider);
        value = new QLabel(parent);
        value->setMinimumWidth(48);
        value->setAccessibleName(Plain(text) + QStringLiteral(" value"));
        QObject::connect(slider, &QSlider::valueChanged, value,
                         [this](int v) { value->setText(QString::number(v) + suffix); });
    }
    void AddTo(QBoxLayout* layout) const {
        auto* row = new QHBoxLayout;
        row->addWidget(label);
        row->addWidget(slider, 1);
        row->addWidget(value);
        layout->addLayout(row);
    }
    void Set(int v) const {
        slider->setValue(v);
        value->setText(QString::number(slider->value()) + suffix);
    }
};

/// Every page: the artwork on its left, the controls on its right.
class WizPage : public QWizardPage {
public:
    WizPage(CWizardSheet& sheet, WizardPage kind) : m_sheet(sheet), m_kind(kind) {
        const std::string_view caption = WizardPageCaption(kind);
        if (!caption.empty()) setTitle(Q(caption));
        auto* outer = new QHBoxLayout(this);
        auto* art = new QLabel(this);
        art->setPixmap(WizardPageArt(sheet.Kind(), kind));
        art->setAlignment(Qt::AlignTop);
        art->setAccessibleName(QStringLiteral("Wizard picture"));
        outer->addWidget(art);
        m_body = new QVBoxLayout;
        outer->addLayout(m_body, 1);
    }
    void initializePage() override {
        m_showing = true;
        Load();
        m_showing = false;
    }
    WizardPage Kind() const { return m_kind; }

protected:
    virtual void Load() {}
    /// A choice of the group made by the user: by a click, by the keyboard or by a screen
    /// reader's toggle action (which checks the button without clicking it). Checks made while
    /// the page shows the macro are not choices.
    template <typename Chosen>
    void OnChoice(QButtonGroup* group, Chosen chosen) {
        connect(group, &QButtonGroup::idToggled, this, [this, chosen](int id, bool checked) {
            if (checked && !m_showing) chosen(id);
        });
    }
    /// The macro changed: the pages that follow may change too.
    void Changed() { emit completeChanged(); }
    BatchMacro& M() { return m_sheet.Macro(); }
    QVBoxLayout* Body() { return m_body; }
    Prompter& P() { return *m_sheet.Env().prompter; }

    CWizardSheet& m_sheet;
    WizardPage m_kind;
    QVBoxLayout* m_body = nullptr;
    bool m_showing = false;
};

QButtonGroup* Choices(QWidget* parent, QBoxLayout* layout, const QStringList& texts, std::vector<QRadioButton*>* out = nullptr) {
    auto* group = new QButtonGroup(parent);
    for (int i = 0; i < texts.size(); ++i) {
        QRadioButton* radio = Radio(texts[i], parent);
        group->addButton(radio, i);
        layout->addWidget(radio);
        if (out) out->push_back(radio);
    }
    return group;
}

// ---------------------------------------------------------------------------------------------

class WelcomePage final : public WizPage {
public:
    explicit WelcomePage(CWizardSheet& sheet) : WizPage(sheet, WizardPage::Welcome) {
        auto* title = new QLabel(Q(WizardWelcomeTitle(sheet.Kind())), this);
        QFont font = title->font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.3);
        title->setFont(font);
        title->setWordWrap(true);
        title->setObjectName(QStringLiteral("WelcomeTitle"));
        auto* text = new QLabel(Q(WizardWelcomeDescription(sheet.Kind())), this);
        text->setWordWrap(true);
        Body()->addWidget(title);
        Body()->addWidget(text);
        Body()->addSpacing(12);
        m_group = Choices(this, Body(), {QStringLiteral("Create a new macro"), QStringLiteral("Open already existing macro")});
        m_list = Named(new QListWidget(this), QStringLiteral("Open already existing macro"));
        m_list->setObjectName(QStringLiteral("MacroList"));
        Body()->addWidget(m_list, 1);
        if (sheet.Env().folders)
            for (const std::string& name : ListBatchMacros(*sheet.Env().folders)) m_list->addItem(Q(name));
        if (m_list->count() > 0) m_list->setCurrentRow(0);
        m_group->button(0)->setChecked(true);
        m_list->setEnabled(false);
        connect(m_group, &QButtonGroup::idToggled, this, [this](int, bool) { m_list->setEnabled(m_group->checkedId() == 1); });
    }
    bool validatePage() override {
        if (m_group->checkedId() == 1 && m_list->currentItem()) {
            const std::string name = m_list->currentItem()->text().toStdString();
            // A file that cannot be read says why; the wizard goes on with the defaults.
            if (m_sheet.Env().folders) M().Load(name, *m_sheet.Env().folders, P());
            M().name = name;
        }
        return true;
    }

private:
    QButtonGroup* m_group;
    QListWidget* m_list;
};

class UserLevelPage final : public WizPage {
public:
    explicit UserLevelPage(CWizardSheet& sheet) : WizPage(sheet, WizardPage::UserLevel) {
        m_group = Choices(this, Body(), {QStringLiteral("Automatic"), QStringLiteral("Partial"), QStringLiteral("Manual")});
        Body()->addStretch(1);
        OnChoice(m_group, [this](int id) {
            StoreUserLevel(M(), id);
            Changed();
        });
    }
    void Load() override { m_group->button(std::clamp(M().reductionMode, 0, 2))->setChecked(true); }

private:
    QButtonGroup* m_group;
};

/// Choices with a sample picture each (exposure and JPEG levels).
class LevelPage : public WizPage {
public:
    LevelPage(CWizardSheet& sheet, WizardPage kind, const QStringList& texts, bool jpeg) : WizPage(sheet, kind) {
        m_group = new QButtonGroup(this);
        for (int i = 0; i < texts.size(); ++i) {
            auto* row = new QHBoxLayout;
            QRadioButton* radio = Radio(texts[i], this);
            m_group->addButton(radio, i);
            auto* sample = new QLabel(this);
            sample->setPixmap(WizardLevelSample(jpeg, i));
            sample->setAccessibleName(Plain(texts[i]) + QStringLiteral(" sample"));
            row->addWidget(sample);
            row->addWidget(radio, 1);
            Body()->addLayout(row);
        }
        Body()->addStretch(1);
    }

protected:
    QButtonGroup* m_group;
};

class ExposurePage final : public LevelPage {
public:
    explicit ExposurePage(CWizardSheet& sheet)
        : LevelPage(sheet, WizardPage::Exposure,
                    {QStringLiteral("Low Exposure"), QStringLiteral("Medium Exposure"), QStringLiteral("High Exposure")},
                    false) {
        OnChoice(m_group, [this](int id) { M().exposure = id; });
    }
    void Load() override { m_group->button(std::clamp(M().exposure, 0, 2))->setChecked(true); }
};

class ColorCountPage final : public WizPage {
public:
    explicit ColorCountPage(CWizardSheet& sheet)
        : WizPage(sheet, WizardPage::ColorCount), m_slider(QStringLiteral("Colors"), 1, 256, this) {
        m_group = Choices(this, Body(), {QStringLiteral("Absolute"), QStringLiteral("Relative")});
        m_slider.AddTo(Body());
        Body()->addStretch(1);
        OnChoice(m_group, [this](int) { ShowMode(); });
        connect(m_slider.slider, &QSlider::valueChanged, this, [this](int v) {
            if (!m_loading) StoreColorCount(M(), m_group->checkedId() == 0, v);
        });
    }
    void Load() override {
        m_group->button(M().colorCountMode == kColorCountAbsolute ? 0 : 1)->setChecked(true);
        ShowMode();
    }

private:
    void ShowMode() {
        m_loading = true;
        const bool absolute = m_group->checkedId() == 0;
        m_slider.suffix = absolute ? QString() : QStringLiteral(" %");
        m_slider.slider->setRange(1, absolute ? 256 : 100);
        m_slider.Set(absolute ? M().colors : std::min(M().colorPercent, 100));
        m_loading = false;
        StoreColorCount(M(), absolute, m_slider.slider->value());
    }
    QButtonGroup* m_group;
    LabelledSlider m_slider;
    bool m_loading = false;
};

class PaletteTransparencyPage final : public WizPage {
public:
    explicit PaletteTransparencyPage(CWizardSheet& sheet) : WizPage(sheet, WizardPage::PaletteTransparency) {
        m_use = Check(QStringLiteral("Use Predefined Colors"), this);
        m_list = Named(new QListWidget(this), QStringLiteral("Use Predefined Colors"));
        m_list->setObjectName(QStringLiteral("PaletteList"));
        m_list->addItem(QStringLiteral(" (current)"));
        if (sheet.Env().folders)
            for (const std::string& name : ListPaletteNames(*sheet.Env().folders)) m_list->addItem(Q(name));
        m_update = Check(QStringLiteral("Update Transparent Color"), this);
        Body()->addWidget(m_use);
        Body()->addWidget(m_list, 1);
        Body()->addWidget(m_update);
        connect(m_use, &QCheckBox::toggled, this, [this](bool on) {
            m_list->setEnabled(on);
            M().usePalette = on ? 1 : 0;
        });
        connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) {
            M().paletteName = row <= 0 ? std::string() : m_list->item(row)->text().toStdString();
        });
        connect(m_update, &QCheckBox::toggled, this, [this](bool on) { M().updateTransparent = on ? 1 : 0; });
    }
    void Load() override {
        const std::string name = M().paletteName;
        const bool use = M().usePalette != 0;
        m_use->setChecked(use);
        m_list->setEnabled(use);
        int row = 0;
        for (int i = 1; i < m_list->count(); ++i)
            if (m_list->item(i)->text().toStdString() == name) row = i;
        m_list->setCurrentRow(row);
        m_update->setChecked(M().updateTransparent != 0);
    }

private:
    QCheckBox* m_use;
    QListWidget* m_list;
    QCheckBox* m_update;
};

class ResizeTypePage final : public WizPage {
public:
    explicit ResizeTypePage(CWizardSheet& sheet) : WizPage(sheet, WizardPage::ResizeType) {
        m_group = Choices(this, Body(), {QStringLiteral("Absolute"), QStringLiteral("Relative")});
        m_smart = Check(QStringLiteral("Apply smart resizing"), this);
        Body()->addWidget(m_smart);
        Body()->addStretch(1);
        OnChoice(m_group, [this](int id) {
            M().resizeMode = id == 0 ? kResizeAbsolute : kResizeRelative;
            Changed();
        });
        connect(m_smart, &QCheckBox::toggled, this, [this](bool on) { M().smartResize = on ? 1 : 0; });
    }
    void Load() override {
        if (M().resizeMode == kResizeNone) M().resizeMode = kResizeAbsolute;
        m_group->button(M().resizeMode == kResizeAbsolute ? 0 : 1)->setChecked(true);
        m_smart->setChecked(M().smartResize != 0);
        Changed();
    }

private:
    QButtonGroup* m_group;
    QCheckBox* m_smart;
};

/// Width and height sliders with "&Proportional": pixels or percent.
class SizePage final : public WizPage {
public:
    SizePage(CWizardSheet& sheet, bool relative)
        : WizPage(sheet, relative ? WizardPage::RelativeSize : WizardPage::AbsoluteSize),
          m_relative(relative),
          m_width(QStringLiteral("Width"), 1, relative ? 100 : 2000, this, relative ? QStringLiteral(" %") : QString()),
          m_height(QStringLiteral("Height"), 1, relative ? 100 : 2000, this, relative ? QStringLiteral(" %") : QString()) {
        m_width.AddTo(Body());
        m_height.AddTo(Body());
        m_proportional = Check(QStringLiteral("&Proportional"), this);
        Body()->addWidget(m_proportional);
        if (relative) {
            m_present = Named(new QLabel(this), QStringLiteral("Present size"));
            m_new = Named(new QLabel(this), QStringLiteral("New size"));
            Body()->addWidget(m_present);
            Body()->addWidget(m_new);
        }
        Body()->addStretch(1);
        connect(m_width.slider, &QSlider::valueChanged, this, [this](int v) { Moved(true, v); });
        connect(m_height.slider, &QSlider::valueChanged, this, [this](int v) { Moved(false, v); });
    }
    void Load() override {
        m_busy = true;
        const WizardPictureState& p = m_sheet.PictureState();
        if (m_relative) {
            m_width.Set(std::clamp(M().widthPercent, 1, 100));
            m_height.Set(std::clamp(M().heightPercent, 1, 100));
            m_present->setText(QStringLiteral("Present size: %1 x %2 pixels").arg(p.width).arg(p.height));
        } else {
            const int most = std::max({2000, p.width, p.height});
            m_width.slider->setMaximum(most);
            m_height.slider->setMaximum(most);
            m_width.Set(std::max(1, M().width));
            m_height.Set(std::max(1, M().height));
        }
        m_busy = false;
        Store();
    }

private:
    void Moved(bool width, int v) {
        if (m_busy) return;
        if (m_proportional->isChecked()) {
            m_busy = true;
            const WizardPictureState& p = m_sheet.PictureState();
            if (m_relative) {
                (width ? m_height : m_width).Set(v);
            } else if (p.width > 0 && p.height > 0) {
                if (width)
                    m_height.Set(std::max(1, int(std::lround(double(v) * p.height / p.width))));
                else
                    m_width.Set(std::max(1, int(std::lround(double(v) * p.width / p.height))));
            }
            m_busy = false;
        }
        Store();
    }
    void Store() {
        if (m_relative) {
            M().widthPercent = m_width.slider->value();
            M().heightPercent = m_height.slider->value();
            const WizardPictureState& p = m_sheet.PictureState();
            m_new->setText(QStringLiteral("New size: %1 x %2 pixels")
                               .arg(std::max(1, int(M().widthPercent * 0.01 * p.width)))
                               .arg(std::max(1, int(M().heightPercent * 0.01 * p.height))));
        } else {
            M().width = m_width.slider->value();
            M().height = m_height.slider->value();
        }
    }
    bool m_relative;
    LabelledSlider m_width, m_height;
    QCheckBox* m_proportional;
    QLabel* m_present = nullptr;
    QLabel* m_new = nullptr;
    bool m_busy = false;
};

class AskResizePage final : public WizPage {
public:
    explicit AskResizePage(CWizardSheet& sheet) : WizPage(sheet, WizardPage::AskResize) {
        Body()->addWidget(new QLabel(QStringLiteral("Do you wish to change the size ? "), this));
        m_group = Choices(this, Body(), {QStringLiteral("Yes"), QStringLiteral("No")});
        Body()->addStretch(1);
        OnChoice(m_group, [this](int id) {
            m_sheet.FlowState().changeSize = id == 0;
            if (id == 1) M().resizeMode = kResizeNone;
            Changed();
        });
    }
    void Load() override { m_group->button(m_sheet.FlowState().changeSize ? 0 : 1)->setChecked(true); }

private:
    QButtonGroup* m_group;
};

class PictureKindPage final : public WizPage {
public:
    explicit PictureKindPage(CWizardSheet& sheet) : WizPage(sheet, WizardPage::PictureKind) {
        m_group = Choices(this, Body(),
                          {QStringLiteral("Photographic picture"), QStringLiteral("Painted picture"),
                           QStringLiteral("Animated or vector picture"), QStringLiteral("LineArt picture")});
        Body()->addStretch(1);
        OnChoice(m_group, [this](int id) {
            StorePictureKind(M(), id);
            Changed();
        });
    }
    void Load() override {
        // The choice shown agrees with the macro; a choice made here stays while it agrees.
        const int checked = m_group->checkedId();
        if (checked < 0 || (checked >= 2) != (M().gifChosen == 1)) m_group->button(PictureKindOf(M()))->setChecked(true);
    }

private:
    QButtonGroup* m_group;
};

class JpegLevelPage final : public LevelPage {
public:
    explicit JpegLevelPage(CWizardSheet& sheet)
        : LevelPage(sheet, WizardPage::JpegLevel,
                    {QStringLiteral("Low"), QStringLiteral("Medium"), QStringLiteral("High"), QStringLiteral("Custom")},
                    true) {
        OnChoice(m_group, [this](int id) {
            StoreJpegLevel(M(), id);
            Changed();
        });
    }
    void Load() override { m_group->button(std::clamp(M().jpegLevel, 0, 3))->setChecked(true); }
};

class JpegQualityPage final : public WizPage {
public:
    explicit JpegQualityPage(CWizardSheet& sheet)
        : WizPage(sheet, WizardPage::JpegQuality), m_slider(QStringLiteral("Quality"), 1, 100, this) {
        m_slider.AddTo(Body());
        auto* hint = new QLabel(
            QStringLiteral("A quality of 75 keeps most pictures looking as they are. Values from 35 to 75 give "
                           "small files of good quality; below 35 the blocks begin to show."),
            this);
        hint->setWordWrap(true);
        Body()->addWidget(hint);
        Body()->addStretch(1);
        connect(m_slider.slider, &QSlider::valueChanged, this, [this](int v) { M().quality = v; });
    }
    void Load() override { m_slider.Set(std::clamp(M().quality, 1, 100)); }

private:
    LabelledSlider m_slider;
};

class FramesPage final : public WizPage {
public:
    explicit FramesPage(CWizardSheet& sheet)
        : WizPage(sheet, WizardPage::Frames),
          m_cutTolerance(QStringLiteral("Cut out tolerance"), 0, 100, this),
          m_transparentTolerance(QStringLiteral("Transparent tolerance"), 0, 100, this) {
        m_cut = Check(QStringLiteral("&Cut out"), this);
        Body()->addWidget(m_cut);
        m_cutTolerance.AddTo(Body());
        m_transparent = Check(QStringLiteral("&Transparent"), this);
        Body()->addWidget(m_transparent);
        m_transparentTolerance.AddTo(Body());
        Body()->addStretch(1);
        connect(m_cut, &QCheckBox::toggled, this, [this](bool on) { M().cutOut = on ? 1 : 0; });
        connect(m_transparent, &QCheckBox::toggled, this, [this](bool on) { M().makeTransparent = on ? 1 : 0; });
        connect(m_cutTolerance.slider, &QSlider::valueChanged, this,
                [this](int v) { M().cutOutTolerance = std::int16_t(v); });
        connect(m_transparentTolerance.slider, &QSlider::valueChanged, this,
                [this](int v) { M().transparentTolerance = std::int16_t(v); });
    }
    void Load() override {
        m_cut->setChecked(M().cutOut != 0);
        m_transparent->setChecked(M().makeTransparent != 0);
        m_cutTolerance.Set(std::clamp<int>(M().cutOutTolerance, 0, 100));
        m_transparentTolerance.Set(std::clamp<int>(M().transparentTolerance, 0, 100));
    }

private:
    LabelledSlider m_cutTolerance, m_transparentTolerance;
    QCheckBox* m_cut;
    QCheckBox* m_transparent;
};

class SaveToDirectoryPage final : public WizPage {
public:
    explicit SaveToDirectoryPage(CWizardSheet& sheet) : WizPage(sheet, WizardPage::SaveToDirectory) {
        auto* label = new QLabel(QStringLiteral("Save to directory"), this);
        m_dir = Named(new QLineEdit(this), QStringLiteral("Save to directory"));
        m_dir->setObjectName(QStringLiteral("SaveDirectory"));
        label->setBuddy(m_dir);
        auto* browse = Named(new QPushButton(QStringLiteral("Browse..."), this), QStringLiteral("Browse..."));
        auto* row = new QHBoxLayout;
        row->addWidget(m_dir, 1);
        row->addWidget(browse);
        Body()->addWidget(label);
        Body()->addLayout(row);
        auto* note = new QLabel(QStringLiteral("Saving to the same directory overwrites the original picture"), this);
        note->setWordWrap(true);
        Body()->addWidget(note);
        Body()->addStretch(1);
        m_dir->setText(Q(sheet.Env().saveDirectory));
        connect(browse, &QPushButton::clicked, this, [this] {
            if (!m_sheet.Env().chooseFolder) return;
            const QString chosen =
                m_sheet.Env().chooseFolder(this, QStringLiteral("Select the Download Directory"), m_dir->text());
            if (!chosen.isEmpty()) m_dir->setText(chosen);
        });
    }
    bool validatePage() override {
        const std::string dir = m_dir->text().toStdString();
        PrepareSaveDirectory(dir, P());
        M().outputDir = dir;
        return true;
    }

private:
    QLineEdit* m_dir;
};

class HtmlUrlPage final : public WizPage {
public:
    explicit HtmlUrlPage(CWizardSheet& sheet) : WizPage(sheet, WizardPage::HtmlUrl) {
        auto* urlLabel = new QLabel(QStringLiteral("URL"), this);
        m_url = Named(new QLineEdit(this), QStringLiteral("URL"));
        m_url->setObjectName(QStringLiteral("HtmlUrl"));
        m_url->setMaxLength(200);
        urlLabel->setBuddy(m_url);
        auto* dirLabel = new QLabel(QStringLiteral("Specify the Output directory"), this);
        m_dir = Named(new QLineEdit(this), dirLabel->text());
        m_dir->setObjectName(QStringLiteral("HtmlOutputDirectory"));
        m_dir->setMaxLength(200);
        m_dir->setText(Q(sheet.Env().downloadDirectory));
        dirLabel->setBuddy(m_dir);
        auto* browse = Named(new QPushButton(QStringLiteral("Browse..."), this), QStringLiteral("Browse..."));
        auto* levelsLabel = new QLabel(QStringLiteral("Choose levels of optimization"), this);
        m_levels = Named(new QListWidget(this), levelsLabel->text());
        m_levels->setObjectName(QStringLiteral("HtmlLevels"));
        for (const char* entry : {"1", "2", "3", "4", "5", "All"}) m_levels->addItem(QString::fromLatin1(entry));
        m_levels->setCurrentRow(0);
        levelsLabel->setBuddy(m_levels);
        Body()->addWidget(urlLabel);
        Body()->addWidget(m_url);
        Body()->addWidget(dirLabel);
        auto* row = new QHBoxLayout;
        row->addWidget(m_dir, 1);
        row->addWidget(browse);
        Body()->addLayout(row);
        Body()->addWidget(levelsLabel);
        Body()->addWidget(m_levels, 1);
        connect(browse, &QPushButton::clicked, this, [this] {
            if (!m_sheet.Env().chooseFolder) return;
            const QString chosen =
                m_sheet.Env().chooseFolder(this, QStringLiteral("Select the Output Directory"), m_dir->text());
            if (!chosen.isEmpty()) m_dir->setText(chosen);
        });
        connect(m_levels, &QListWidget::currentRowChanged, this, [this](int row) { StoreHtmlLevels(M(), row); });
    }
    void Load() override { m_levels->setCurrentRow(std::clamp(M().htmlLevels, 1, 6) - 1); }
    bool validatePage() override {
        const HtmlPageCheck check = CheckHtmlPage(m_url->text().toStdString(), m_dir->text().toStdString());
        if (check.message) {
            P().Message(*check.message, "Lumaprism", PromptIcon::Exclamation);
            if (check.focus == HtmlPageField::Url) m_url->setFocus();
            if (check.focus == HtmlPageField::Directory) m_dir->setFocus();
            return false;
        }
        m_url->setText(Q(check.url));
        m_sheet.HtmlJob().url = check.url;
        m_sheet.HtmlJob().outputDir = m_dir->text().toStdString();
        StoreHtmlLevels(M(), m_levels->currentRow());
        return true;
    }

private:
    QLineEdit* m_url;
    QLineEdit* m_dir;
    QListWidget* m_levels;
};

class HtmlTagsPage final : public WizPage {
public:
    explicit HtmlTagsPage(CWizardSheet& sheet) : WizPage(sheet, WizardPage::HtmlTags) {
        auto* group = Named(new QGroupBox(QStringLiteral("Accelerate the page by"), this),
                            QStringLiteral("Accelerate the page by"));
        auto* inner = new QVBoxLayout(group);
        m_tags = Check(QStringLiteral("Adding extra Html Image tags"), group);
        m_alt = Check(QStringLiteral("Add  ALT tag"), group);
        m_width = Check(QStringLiteral("Add  WIDTH tag"), group);
        m_height = Check(QStringLiteral("Add  HEIGHT tag"), group);
        m_resize = Check(QStringLiteral("Optimizing  Images by resizing"), group);
        inner->addWidget(m_tags);
        for (QCheckBox* c : {m_alt, m_width, m_height}) {
            auto* row = new QHBoxLayout;
            row->addSpacing(20);
            row->addWidget(c);
            inner->addLayout(row);
        }
        inner->addWidget(m_resize);
        Body()->addWidget(group);
        Body()->addStretch(1);
        connect(m_tags, &QCheckBox::toggled, this, [this](bool on) {
            M().addTags = on;
            for (QCheckBox* c : {m_alt, m_width, m_height}) c->setEnabled(on);
        });
        connect(m_alt, &QCheckBox::toggled, this, [this](bool on) { M().addAlt = on; });
        connect(m_width, &QCheckBox::toggled, this, [this](bool on) { M().addWidth = on; });
        connect(m_height, &QCheckBox::toggled, this, [this](bool on) { M().addHeight = on; });
        connect(m_resize, &QCheckBox::toggled, this, [this](bool on) { M().resizeImages = on; });
    }
    void Load() override {
        const BatchMacro m = M();
        m_tags->setChecked(m.addTags != 0);
        m_alt->setChecked(m.addAlt != 0);
        m_width->setChecked(m.addWidth != 0);
        m_height->setChecked(m.addHeight != 0);
        m_resize->setChecked(m.resizeImages != 0);
        for (QCheckBox* c : {m_alt, m_width, m_height}) c->setEnabled(m.addTags != 0);
    }

private:
    QCheckBox *m_tags, *m_alt, *m_width, *m_height, *m_resize;
};

class SummaryPage final : public WizPage {
public:
    explicit SummaryPage(CWizardSheet& sheet) : WizPage(sheet, WizardPage::Summary) {
        setTitle(Q(WizardSummaryCaption(sheet.Kind())));
        m_list = Named(new QListWidget(this), QStringLiteral("Summary"));
        m_list->setObjectName(QStringLiteral("SummaryList"));
        m_list->setFont(QFont(QStringLiteral("Monospace")));
        Body()->addWidget(m_list, 1);
        m_save = Check(QStringLiteral("Save macro as"), this);
        m_name = Named(new QLineEdit(this), QStringLiteral("Save macro as"));
        m_name->setObjectName(QStringLiteral("SaveMacroName"));
        m_name->setMaxLength(30);
        m_name->setEnabled(false);
        auto* row = new QHBoxLayout;
        row->addWidget(m_save);
        row->addWidget(m_name, 1);
        Body()->addLayout(row);
        Body()->addWidget(new QLabel(Q(kSummaryFinishNote), this));
        connect(m_save, &QCheckBox::toggled, m_name, &QWidget::setEnabled);
    }
    void Load() override {
        m_list->clear();
        for (const std::string& line : WizardSummaryLines(m_sheet.Kind(), M(), m_sheet.HtmlJob()))
            m_list->addItem(Q(line));
    }
    bool validatePage() override {
        if (!m_save->isChecked()) return true;
        const std::optional<std::string> name = CheckSaveMacroName(m_name->text().toStdString(), P());
        if (!name) return false;
        if (!m_sheet.Env().folders) return true;
        // A name the macro files refuse says why and keeps the wizard open.
        if (!M().Save(*name, *m_sheet.Env().folders, P())) return false;
        m_sheet.SetSavedName(*name);
        return true;
    }

private:
    QListWidget* m_list;
    QCheckBox* m_save;
    QLineEdit* m_name;
};

}  // namespace

CWizardSheet::CWizardSheet(WizardKind kind, WizardFlowState state, WizardPictureState picture, Environment environment,
                           QWidget* parent)
    : QWizard(parent),
      m_kind(kind),
      m_state(state),
      m_picture(picture),
      m_env(std::move(environment)),
      m_macro(NewWizardMacro()) {
    setObjectName(QStringLiteral("WizardSheet"));
    setWindowTitle(Q(WizardName(kind)));
    setWizardStyle(QWizard::ClassicStyle);
    setOption(QWizard::NoBackButtonOnStartPage, true);
    m_state.changeSize = m_macro.resizeMode != kResizeNone;
    auto add = [this](WizardPage p, QWizardPage* w) { setPage(static_cast<int>(p), w); };
    add(WizardPage::Welcome, new WelcomePage(*this));
    add(WizardPage::UserLevel, new UserLevelPage(*this));
    add(WizardPage::Exposure, new ExposurePage(*this));
    add(WizardPage::ColorCount, new ColorCountPage(*this));
    add(WizardPage::PaletteTransparency, new PaletteTransparencyPage(*this));
    add(WizardPage::ResizeType, new ResizeTypePage(*this));
    add(WizardPage::AbsoluteSize, new SizePage(*this, false));
    add(WizardPage::RelativeSize, new SizePage(*this, true));
    add(WizardPage::AskResize, new AskResizePage(*this));
    add(WizardPage::PictureKind, new PictureKindPage(*this));
    add(WizardPage::JpegLevel, new JpegLevelPage(*this));
    add(WizardPage::JpegQuality, new JpegQualityPage(*this));
    add(WizardPage::Frames, new FramesPage(*this));
    add(WizardPage::SaveToDirectory, new SaveToDirectoryPage(*this));
    add(WizardPage::HtmlUrl, new HtmlUrlPage(*this));
    add(WizardPage::HtmlTags, new HtmlTagsPage(*this));
    add(WizardPage::Summary, new SummaryPage(*this));
    setStartId(static_cast<int>(WizardPage::Welcome));
    for (const QWizard::WizardButton b : {QWizard::BackButton, QWizard::NextButton, QWizard::FinishButton,
                                          QWizard::CancelButton}) {
        if (QAbstractButton* button = this->button(b)) button->setAccessibleName(Plain(button->text()));
    }
    // The button texts arrive with the style: name the buttons once they are known.
    connect(this, &QWizard::currentIdChanged, this, [this](int) {
        for (const QWizard::WizardButton b : {QWizard::BackButton, QWizard::NextButton, QWizard::FinishButton,
                                              QWizard::CancelButton})
            if (QAbstractButton* button = this->button(b)) button->setAccessibleName(Plain(button->text()));
    });
}

int CWizardSheet::nextId() const {
    if (currentId() < 0) return -1;
    const std::optional<WizardPage> next = NextWizardPage(m_kind, CurrentPageKind(), m_macro, m_state);
    return next ? static_cast<int>(*next) : -1;
}

// ---------------------------------------------------------------------------------------------
// Artwork

QPixmap WizardPageArt(WizardKind kind, WizardPage page) {
    QPixmap pixmap(110, 260);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    static const QColor kTop[] = {QColor(40, 70, 150), QColor(150, 60, 40), QColor(40, 120, 80),
                                  QColor(100, 60, 130), QColor(20, 100, 130), QColor(120, 100, 30)};
    const int index = std::clamp(static_cast<int>(kind), 1, 6) - 1;
    QLinearGradient sky(0, 0, 0, 260);
    sky.setColorAt(0, kTop[index]);
    sky.setColorAt(1, QColor(230, 230, 240));
    p.fillRect(pixmap.rect(), sky);
    // A prism splitting a beam: the program's emblem, its beam turning with the page.
    const int step = static_cast<int>(page);
    QPolygonF prism;
    prism << QPointF(55, 60) << QPointF(20, 130) << QPointF(90, 130);
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(QColor(255, 255, 255, 70));
    p.drawPolygon(prism);
    p.setPen(QPen(QColor(255, 255, 230), 3));
    p.drawLine(QPointF(0, 110 - step), QPointF(38, 100));
    static const QColor kBands[] = {Qt::red, QColor(255, 140, 0), Qt::yellow, Qt::green, Qt::cyan, Qt::blue};
    for (int i = 0; i < 6; ++i) {
        p.setPen(QPen(kBands[i], 3));
        p.drawLine(QPointF(72, 100), QPointF(110, 112 + i * 6 + step));
    }
    // Rolling hills below: a picture being made smaller.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 120, 60));
    p.drawEllipse(QPointF(30, 250), 60, 40);
    p.setBrush(QColor(80, 150, 70));
    p.drawEllipse(QPointF(95, 255), 50, 35);
    return pixmap;
}

QPixmap WizardLevelSample(bool jpeg, int level) {
    QPixmap pixmap(48, 36);
    QPainter p(&pixmap);
    if (!jpeg) {
        // Exposure: the same scene darker or brighter.
        const int light = 70 + level * 70;
        p.fillRect(pixmap.rect(), QColor(light / 2, light / 2 + 20, std::min(255, light + 40)));
        p.setBrush(QColor(std::min(255, light + 60), std::min(255, light + 40), 40));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QPointF(34, 10), 7, 7);
        p.setBrush(QColor(30, std::min(255, light), 30));
        p.drawRect(0, 24, 48, 12);
    } else {
        // JPEG levels: coarser blocks for lower quality.
        const int block = level == 3 ? 2 : 8 >> level;
        for (int y = 0; y < 36; y += block)
            for (int x = 0; x < 48; x += block)
                p.fillRect(x, y, block, block, QColor(4 * x, 120 + y * 3, 255 - 4 * x));
    }
    return pixmap;
}

}  // namespace lp
