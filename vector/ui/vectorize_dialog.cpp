#include "vector/ui/vectorize_dialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>
#include <new>

#include "base/imp_exp_exception.h"
#include "base/prompter.h"
#include "guikit/ui/file_chooser.h"
#include "imaging/ui/qimage_convert.h"
#include "vector/ui/vector_preview.h"
#include "vector/ui/vectorize_job.h"
#include "vector/vector_file.h"
#include "vector/vector_paint.h"

namespace lp {

namespace {

constexpr const char* kAppCaption = "Lumaprism";
constexpr const char* kNoPreviewMemory = "Unable to allocate memory for preview";

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

}  // namespace

bool SaveVectorDrawing(QWidget* parent, const VectorDrawing& drawing, const std::filesystem::path& proposed,
                       FileChooser& chooser, Prompter& prompter) {
    std::filesystem::path start = proposed;
    for (;;) {
        const std::optional<FileChooser::SaveChoice> choice = chooser.SaveVectorFileName(parent, start);
        if (!choice) return false;
        const std::filesystem::path path = WithVectorExtension(choice->path, choice->filterIndex);
        std::error_code ec;
        if (std::filesystem::exists(path, ec)) {
            const std::string question = path.string() + " already exists\n Do you want to replace it ?";
            if (prompter.Ask(question, kAppCaption, PromptButtons::YesNo, PromptAnswer::No) != PromptAnswer::Yes) {
                start = path;
                continue;  // the dialog again
            }
        }
        try {
            WriteVectorFile(drawing, path);
            return true;
        } catch (const ImpExpException& e) {
            QApplication::beep();
            prompter.Message(e.Message(), e.Title().empty() ? kAppCaption : e.Title(), PromptIcon::Stop);
            return false;
        }
    }
}

CVectorizeDlg::CVectorizeDlg(Picture picture, std::filesystem::path proposed, FileChooser& chooser, Prompter& prompter,
                             QWidget* parent)
    : QDialog(parent),
      m_picture(std::move(picture)),
      m_proposed(std::move(proposed)),
      m_chooser(chooser),
      m_prompter(prompter) {
    setObjectName(QStringLiteral("VectorizeDialog"));
    setWindowTitle(QStringLiteral("Vectorization"));
    auto* layout = new QVBoxLayout(this);

    auto* objects = new QGroupBox(QStringLiteral("Objects"), this);
    auto* objectsLayout = new QFormLayout(objects);
    m_overlapped = new QCheckBox(QStringLiteral("Overlapped"), objects);
    m_overlapped->setChecked(true);
    m_overlapped->setAccessibleName(m_overlapped->text());
    m_precision = new QSpinBox(objects);
    m_precision->setRange(0, 100);
    m_precision->setValue(0);
    m_precision->setAccessibleName(QStringLiteral("Precision"));
    objectsLayout->addRow(m_overlapped);
    objectsLayout->addRow(QStringLiteral("Precision"), m_precision);
    layout->addWidget(objects);

    auto* background = new QGroupBox(QStringLiteral("Background"), this);
    auto* backgroundLayout = new QHBoxLayout(background);
    m_disable = new QCheckBox(QStringLiteral("Disable"), background);
    m_disable->setChecked(true);
    m_disable->setAccessibleName(m_disable->text());
    m_colour = new QPushButton(background);
    m_colour->setAccessibleName(QStringLiteral("Color"));
    m_colour->setToolTip(QStringLiteral("Color"));
    m_colour->setFixedSize(40, 22);
    backgroundLayout->addWidget(m_disable);
    backgroundLayout->addWidget(new QLabel(QStringLiteral("Color"), background));
    backgroundLayout->addWidget(m_colour);
    backgroundLayout->addStretch(1);
    layout->addWidget(background);

    auto* matching = new QGroupBox(QStringLiteral("Color Matching"), this);
    auto* matchingLayout = new QFormLayout(matching);
    m_exact = new QCheckBox(QStringLiteral("Exact"), matching);
    m_exact->setChecked(true);
    m_exact->setAccessibleName(m_exact->text());
    m_tolerance = new QSpinBox(matching);
    m_tolerance->setRange(0, 255);
    m_tolerance->setValue(0);
    m_tolerance->setAccessibleName(QStringLiteral("Tolerance"));
    matchingLayout->addRow(m_exact);
    matchingLayout->addRow(QStringLiteral("Tolerance"), m_tolerance);
    layout->addWidget(matching);

    m_progressText = new QLabel(this);
    m_progress = new QProgressBar(this);
    m_progress->setAccessibleName(QStringLiteral("Progress"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    layout->addWidget(m_progressText);
    layout->addWidget(m_progress);

    auto* buttons = new QHBoxLayout;
    auto button = [this](const char* text) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setAccessibleName(QString::fromLatin1(text).remove(QLatin1Char('&')));
        return b;
    };
    m_preview = button("&Preview");
    m_help = button("&Help");
    m_ok = button("&Ok");
    m_cancel = button("&Cancel");
    m_ok->setDefault(true);
    buttons->addWidget(m_preview);
    buttons->addWidget(m_help);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    layout->addLayout(buttons);

    chooseColour = [this](QColor initial) { return QColorDialog::getColor(initial, this, QStringLiteral("Color")); };

    connect(m_exact, &QCheckBox::toggled, m_tolerance, [this](bool on) { m_tolerance->setEnabled(!on); });
    connect(m_disable, &QCheckBox::toggled, m_colour, [this](bool on) { m_colour->setEnabled(!on); });
    m_tolerance->setEnabled(false);
    m_colour->setEnabled(false);
    connect(m_colour, &QPushButton::clicked, this, [this] {
        const QColor chosen = chooseColour(QColor(RedOf(m_background), GreenOf(m_background), BlueOf(m_background)));
        if (!chosen.isValid()) return;
        m_background =
            MakeColour(std::uint8_t(chosen.red()), std::uint8_t(chosen.green()), std::uint8_t(chosen.blue()));
        ShowSwatch();
    });
    connect(m_preview, &QPushButton::clicked, this, [this] { StartRun(true); });
    connect(m_ok, &QPushButton::clicked, this, [this] { StartRun(false); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_help, &QPushButton::clicked, this, [this] {
        if (openHelp) openHelp();
    });
    ShowSwatch();
}

CVectorizeDlg::~CVectorizeDlg() {
    // Closed during a run: the job waits for its worker; the busy cursor goes with the dialog.
    if (Busy()) QApplication::restoreOverrideCursor();
}

void CVectorizeDlg::ShowSwatch() {
    m_colour->setStyleSheet(QStringLiteral("background-color: rgb(%1,%2,%3);")
                                .arg(RedOf(m_background))
                                .arg(GreenOf(m_background))
                                .arg(BlueOf(m_background)));
}

VectorizerSettings CVectorizeDlg::Settings() const {
    VectorizerSettings s;
    s.precision = m_precision->value();
    s.tolerance = m_exact->isChecked() ? 0 : m_tolerance->value();
    s.background = m_disable->isChecked() ? kNoColour : m_background;
    s.overlapped = m_overlapped->isChecked();
    return s;
}

void CVectorizeDlg::SetSettings(const VectorizerSettings& s) {
    m_precision->setValue(s.precision);
    m_tolerance->setValue(s.tolerance);
    m_exact->setChecked(s.tolerance == 0);
    m_disable->setChecked(s.background == kNoColour);
    if (s.background != kNoColour) m_background = s.background;
    m_overlapped->setChecked(s.overlapped);
    ShowSwatch();
}

std::vector<CVectorPreview*> CVectorizeDlg::Previews() const {
    std::vector<CVectorPreview*> open;
    for (const QPointer<CVectorPreview>& p : m_previews)
        if (p) open.push_back(p.data());
    return open;
}

bool CVectorizeDlg::Busy() const { return m_job && m_job->Running(); }

void CVectorizeDlg::SetBusy(bool busy) {
    for (QWidget* w : std::initializer_list<QWidget*>{m_preview, m_ok, m_overlapped, m_precision, m_disable, m_exact})
        w->setEnabled(!busy);
    m_tolerance->setEnabled(!busy && !m_exact->isChecked());
    m_colour->setEnabled(!busy && !m_disable->isChecked());
    if (busy) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void CVectorizeDlg::StartRun(bool preview) {
    if (Busy()) return;
    m_job = std::make_unique<CVectorizeJob>(m_picture, Settings());
    connect(m_job.get(), &CVectorizeJob::Progress, this, [this](const QString& text, int position, int maximum) {
        m_progressText->setText(text);
        m_progress->setRange(0, maximum);
        m_progress->setValue(position);
    });
    connect(m_job.get(), &CVectorizeJob::Finished, this, [this, preview] { OnRunFinished(preview); });
    SetBusy(true);
    m_job->Start();
}

void CVectorizeDlg::OnRunFinished(bool preview) {
    SetBusy(false);
    m_progress->setValue(m_progress->maximum());
    const VectorizeResult result = m_job->Result();
    const VectorizerSettings settings = m_job->Settings();
    m_job.release()->deleteLater();  // it is the sender of this call
    if (!result.Complete()) {
        // The objects made so far remain and can be previewed or saved.
        QApplication::beep();
        m_prompter.Message(result.stopMessage, CVectorizer::kErrorTitle, PromptIcon::Stop);
    }
    if (preview) {
        QImage image;
        try {
            image = ToQImage(PaintVectorObjects(result.drawing));
        } catch (const std::bad_alloc&) {
        } catch (const ImpExpException&) {
        }
        if (image.isNull()) {
            m_prompter.Message(kNoPreviewMemory, kAppCaption, PromptIcon::Stop);
            emit RunEnded();
            return;
        }
        // Owned by the dialog: the modal dialog does not block its own windows.
        auto* window = new CVectorPreview(result, settings, std::move(image), this);
        connect(window, &CVectorPreview::SelectRequested, this, &CVectorizeDlg::SetSettings);
        m_previews.emplace_back(window);
        window->show();
        emit RunEnded();
        return;
    }
    SaveVectorDrawing(this, result.drawing, m_proposed, m_chooser, m_prompter);
    emit RunEnded();
    // The dialog closes after "&Ok", also when the file dialog was cancelled.
    accept();
}

}  // namespace lp
