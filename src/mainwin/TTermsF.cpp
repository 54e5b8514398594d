#include "mainwin/TTermsF.h"

#include <QKeyEvent>
#include <QSignalBlocker>

#include "settings/KeyFilters.h"
#include "settings/Reactions.h"
#include "settings/WindowSettings.h"
#include "ui_TTermsF.h"

namespace nebu {

namespace {

std::string Text(const QLineEdit* field) {
    return field->text().toStdString();
}

void SetText(QLineEdit* field, const std::string& text) {
    const QString value = QString::fromStdString(text);
    if (field->text() != value) field->setText(value);
}

// A key press the field refuses: see FieldRefusesKey.
bool Refused(const QKeyEvent* key, bool (*takes)(char32_t)) {
    const QList<uint> text = key->text().toUcs4();
    const std::u32string chars(text.begin(), text.end());
    return FieldRefusesKey(chars, key->modifiers().testFlag(Qt::AltModifier), takes);
}

}  // namespace

TTermsF::TTermsF(WindowSettings& settings, std::function<void()> changed, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui_(std::make_unique<Ui::TTermsF>()),
      settings_(settings),
      changed_(std::move(changed)) {
    ui_->setupUi(this);
    setModal(false);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    for (QLineEdit* field :
         {ui_->Fmask1, ui_->noFmask1, ui_->Fmask2, ui_->noFmask2, ui_->SizeMin, ui_->SizeMax})
        field->installEventFilter(this);

    // Typing stores the text at once; the copy to the other side waits for
    // the key release (eventFilter), as a user sees it happen.
    connect(ui_->Fmask1, &QLineEdit::textEdited, this,
            [this](const QString& t) { settings_.Side(1).Fmask = t.toStdString(); });
    connect(ui_->Fmask2, &QLineEdit::textEdited, this,
            [this](const QString& t) { settings_.Side(2).Fmask = t.toStdString(); });
    connect(ui_->noFmask1, &QLineEdit::textEdited, this,
            [this](const QString& t) { settings_.Side(1).noFmask = t.toStdString(); });
    connect(ui_->noFmask2, &QLineEdit::textEdited, this,
            [this](const QString& t) { settings_.Side(2).noFmask = t.toStdString(); });
    connect(ui_->SizeMin, &QLineEdit::textEdited, this,
            [this](const QString& t) { settings_.SizeMin = t.toStdString(); });
    connect(ui_->SizeMax, &QLineEdit::textEdited, this,
            [this](const QString& t) { settings_.SizeMax = t.toStdString(); });

    connect(ui_->SizeBox1, &QCheckBox::toggled, this, [this](bool on) {
        settings_.SizeBox1 = on;
        Changed();
    });
    connect(ui_->ArcExeChk, &QCheckBox::toggled, this, [this](bool on) {
        SetArcExeChk(settings_, on);
        Changed();
    });
    connect(ui_->ArcAllChk, &QCheckBox::toggled, this, [this](bool on) {
        SetArcAllChk(settings_, on);
        Changed();
    });
    connect(ui_->Button2, &QPushButton::clicked, this, &QDialog::hide);
    ShowSettings();
}

TTermsF::~TTermsF() = default;

void TTermsF::ShowSettings() {
    std::vector<std::unique_ptr<QSignalBlocker>> blockers;
    for (QObject* o : findChildren<QCheckBox*>())
        blockers.push_back(std::make_unique<QSignalBlocker>(o));
    for (QObject* o : findChildren<QLineEdit*>())
        blockers.push_back(std::make_unique<QSignalBlocker>(o));

    const SideSettings& s1 = settings_.Side(1);
    const SideSettings& s2 = settings_.Side(2);
    SetText(ui_->Fmask1, s1.Fmask);
    SetText(ui_->noFmask1, s1.noFmask);
    SetText(ui_->Fmask2, s2.Fmask);
    SetText(ui_->noFmask2, s2.noFmask);
    ui_->Fmask1->setEnabled(s1.MaskFieldsEnabled);
    ui_->noFmask1->setEnabled(s1.MaskFieldsEnabled);
    ui_->Fmask2->setEnabled(s2.MaskFieldsEnabled);
    ui_->noFmask2->setEnabled(s2.MaskFieldsEnabled);
    ui_->SizeBox1->setChecked(settings_.SizeBox1);
    SetText(ui_->SizeMin, settings_.SizeMin);
    SetText(ui_->SizeMax, settings_.SizeMax);
    ui_->SizeMin->setEnabled(settings_.SizeFieldsEnabled());
    ui_->SizeMax->setEnabled(settings_.SizeFieldsEnabled());
    ui_->ArcExeChk->setChecked(settings_.ArcExeChk);
    ui_->ArcAllChk->setChecked(settings_.ArcAllChk);
}

int TTermsF::SideOf(QObject* field) const {
    if (field == ui_->Fmask1 || field == ui_->noFmask1) return 1;
    if (field == ui_->Fmask2 || field == ui_->noFmask2) return 2;
    return 0;
}

bool TTermsF::eventFilter(QObject* watched, QEvent* event) {
    const bool sizeField = watched == ui_->SizeMin || watched == ui_->SizeMax;
    const int side = SideOf(watched);
    if (event->type() == QEvent::KeyPress && (sizeField || side != 0)) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (Refused(key, sizeField ? &SizeFieldTakes : &MaskFieldTakes)) return true;
    }
    if (event->type() == QEvent::KeyRelease && side != 0) {
        auto* field = static_cast<QLineEdit*>(watched);
        if (field == ui_->Fmask1 || field == ui_->Fmask2)
            TypeMask(settings_, side, Text(field));
        else
            TypeIgnoreMask(settings_, side, Text(field));
        Changed();
    }
    return QDialog::eventFilter(watched, event);
}

void TTermsF::Changed() {
    ShowSettings();
    if (changed_) changed_();
}

}  // namespace nebu
