// The main window's settings store: the state kept between runs, settings
// files, and the association of settings files with this program.

#include <QAction>
#include <QCoreApplication>
#include <QFileDialog>
#include <filesystem>

#include "mainwin/Association.h"
#include "mainwin/SettingsStore.h"
#include "mainwin/TMain_from.h"
#include "results/ChosenPath.h"
#include "results/NebuMessages.h"
#include "results/TShori_f.h"
#include "settings/Reactions.h"
#include "settings/SettingsFile.h"
#include "ui_TMain_from.h"

namespace nebu {

namespace {

// The one dialog for both loading and saving: a save-type dialog without an
// overwrite question, since saving updates the file's keys in place and
// keeps its other lines. Returns the chosen path with the ".neb" rule
// applied, or nothing when cancelled.
std::string AskSettingsPath(QWidget* parent) {
    QFileDialog dialog(parent, QString(), QString(), "ﾈﾌﾞ設定ﾌｧｲﾙ (*.neb)");
    dialog.setObjectName("SaveDialog1");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return SettingsFileName(LocalPathBytes(dialog.selectedFiles().first()));
}

}  // namespace

void TMain_from::ConnectSettingsMenu() {
    ui_->kanrenChk->setEnabled(true);
    // The action has toggled its mark already; the mark keeps its new state
    // even when the files cannot be written.
    connect(ui_->kanrenChk, &QAction::triggered, this, [this](bool on) {
        const auto error =
            on ? RegisterAssociation(QCoreApplication::applicationFilePath().toStdString())
               : RemoveAssociation();
        if (error) ShowNebuMessage(this, *error);
    });
}

void TMain_from::LoadAtFirstShow() {
    LoadSettings(std::string());
    // By its bytes: a name that is not UTF-8 is still the user's file.
    std::error_code error;
    if (!startupSettingsFile_.empty() &&
        std::filesystem::is_regular_file(startupSettingsFile_, error)) {
        LoadSettings(startupSettingsFile_);
    }
    ui_->kanrenChk->setChecked(AssociationPresent());
}

// An empty path is the state kept between runs. A directory the settings
// name that is gone is cut back or falls back to the root; the user is
// told, so that no job starts on the stand-in unawares.
void TMain_from::LoadSettings(const std::string& path) {
    // What the work-status window shows now is the default of its keys.
    if (shori_ != nullptr) settings_.Results = ReadResultsLayout(*shori_, settings_.Results);
    std::vector<std::string> missing;
    if (path.empty()) {
        ResetToDefaults(settings_);
        bool shozon = false;
        LoadFromRegistry(settings_, shozon, &missing);
        ui_->s_hozon->setChecked(shozon);
        FinishSettingsLoad(settings_);
    } else if (auto error = LoadSettingsFile(settings_, path, &missing)) {
        ShowNebuMessage(this, *error);
        return;
    }
    ShowSettings();
    if (shori_ != nullptr) ApplyResultsLayout(*shori_, settings_.Results);
    if (!missing.empty()) ShowNebuMessage(this, MissingDirectoriesMessage(missing));
}

void TMain_from::SaveSettings(const std::string& path) {
    if (shori_ != nullptr) settings_.Results = ReadResultsLayout(*shori_, settings_.Results);
    const auto error = path.empty() ? SaveToRegistry(settings_, ui_->s_hozon->isChecked())
                                    : SaveSettingsFile(settings_, path);
    if (error) ShowNebuMessage(this, *error);
}

void TMain_from::OptLoadClick() {
    const std::string path = AskSettingsPath(this);
    if (!path.empty()) LoadSettings(path);
}

void TMain_from::OptSaveClick() {
    const std::string path = AskSettingsPath(this);
    if (!path.empty()) SaveSettings(path);
}

}  // namespace nebu
