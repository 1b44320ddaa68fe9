#include "output/codec_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

#include "app/createavi.h"
#include "output/avi_compressors.h"
#include "platform/qt/modal.h"

namespace {

// Of our compressors only Motion JPEG has a quality to set.
bool HasQuality(FOURCC handler) { return handler == comptypeMJPG; }

} // namespace

TCodecDialog::TCodecDialog(QWidget* owner, const AVICOMPRESSOPTIONS& options) : QDialog(owner)
{
    setObjectName("CodecDialog");
    setWindowTitle(QString::fromUtf8("Сжатие видео"));
    auto* column = new QVBoxLayout(this);

    auto* listLabel = new QLabel(QString::fromUtf8("Программа сжатия:"), this);
    column->addWidget(listLabel);
    CompressorList = new QListWidget(this);
    for (const TAviCompressorInfo& info : AviCompressors())
        CompressorList->addItem(QString::fromStdString(info.Name));
    CompressorList->setCurrentRow(AviCompressorInitialIndex(options));
    CompressorList->setMinimumWidth(280);
    CompressorList->setMaximumHeight(CompressorList->sizeHintForRow(0) * int(AviCompressors().size()) + 8);
    listLabel->setBuddy(CompressorList);
    column->addWidget(CompressorList);

    QualityLabel = new QLabel(QString::fromUtf8("Качество сжатия:"), this);
    column->addWidget(QualityLabel);
    QualityEdit = new QSpinBox(this);
    QualityEdit->setRange(1, 100);
    // Options count quality in hundredths of a percent; none set means the compressor's own.
    const DWORD q = options.dwQuality;
    QualityEdit->setValue(q == 0 || q > 10000 ? AviDefaultJpegQuality : int(std::max<DWORD>(q / 100, 1)));
    QualityLabel->setBuddy(QualityEdit);
    column->addWidget(QualityEdit);

    Buttons = new QDialogButtonBox(this);
    Buttons->addButton(QDialogButtonBox::Ok);
    Buttons->addButton(QString::fromUtf8("Отмена"), QDialogButtonBox::RejectRole);
    Buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    column->addWidget(Buttons);

    connect(CompressorList, &QListWidget::currentRowChanged, this, [this] { CompressorChanged(); });
    CompressorChanged();
}

AVICOMPRESSOPTIONS TCodecDialog::Options() const
{
    AVICOMPRESSOPTIONS options;
    options.fccType = streamtypeVIDEO;
    const int row = std::max(0, CompressorList->currentRow());
    options.fccHandler = AviCompressors()[std::size_t(row)].Handler;
    if (HasQuality(options.fccHandler))
        options.dwQuality = DWORD(QualityEdit->value()) * 100;
    return options;
}

void TCodecDialog::CompressorChanged()
{
    const int row = std::max(0, CompressorList->currentRow());
    const bool quality = HasQuality(AviCompressors()[std::size_t(row)].Handler);
    QualityLabel->setEnabled(quality);
    QualityEdit->setEnabled(quality);
}

bool TCodecChooser::Choose(void* owner, PAVISTREAM, AVICOMPRESSOPTIONS& options)
{
    TCodecDialog dialog(static_cast<QWidget*>(owner), options);
    if (ShowModal(dialog) != mrOk)
        return false;
    options = dialog.Options();
    return true;
}

TCodecChooserInstall::TCodecChooserInstall() : before_(&AviSaveOptionsChooser())
{
    SetAviSaveOptionsChooser(&chooser_);
}

TCodecChooserInstall::~TCodecChooserInstall()
{
    // Another chooser put in meanwhile (a test's) stays.
    if (&AviSaveOptionsChooser() == &chooser_)
        SetAviSaveOptionsChooser(before_);
}

void TAVIForm::InstallCodecChooser() { CodecChooserInstall = std::make_shared<TCodecChooserInstall>(); }
