// The main window's own presets ("Voreinstellungen"): saving what the
// controls say about the outputs under a name, applying and deleting one,
// and the small dialog that offers the three.

#include <QDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "common/ascii_case.h"
#include "controls/ccXPButton.h"
#include "optimiser/presets.h"
#include "optimiser/ui/frmOptimize.h"
#include "optimiser/ui/run_controller.h"
#include "optimiser/ui/window_services.h"
#include "startup/own_presets.h"
#include "startup/settings_file.h"

namespace vendrik {
namespace {

bool sameDesign(const WatermarkSettings& a, const WatermarkSettings& b) {
    Settings x;
    Settings y;
    x.watermark = a;
    y.watermark = b;
    return settingTexts(x) == settingTexts(y);
}

QString quoted(const std::string& name) {
    return QStringLiteral("„%1“").arg(QString::fromStdString(name));
}

}  // namespace

std::vector<std::string> frmOptimize::presetNames() const {
    return vendrik::presetNames(readIniFile(m_settingsFile));
}

bool frmOptimize::savePresetAs(const std::string& typed) {
    const Result<std::string> name = presetName(typed);
    const auto refuse = [this](const QString& why) {
        m_services->showMessage(this, why, MessageIcon::Exclamation);
        return false;
    };
    if (!name) {
        return refuse(QString::fromStdString(name.reason()));
    }
    // The quality buttons' names stay theirs: `--preset Normal` must not
    // change its meaning because someone saved a preset of that name.
    for (const QualityPreset& p : kQualityPresets) {
        if (equalsIgnoringCase(p.caption, *name)) {
            return refuse(QStringLiteral("%1 ist der Name einer Qualitätsstufe; bitte einen "
                                         "anderen Namen wählen.")
                              .arg(quoted(*name)));
        }
    }
    OwnPreset preset;
    preset.settings = currentSettings();
    if (!savePreset(m_settingsFile, *name, preset)) {
        return refuse(QStringLiteral("Die Voreinstellung %1 konnte nicht in der "
                                     "Einstellungsdatei gespeichert werden.")
                          .arg(quoted(*name)));
    }
    return true;
}

bool frmOptimize::applyPreset(const std::string& name) {
    if (m_run->running()) {
        return false;
    }
    const std::optional<OwnPreset> preset =
        readPreset(readIniFile(m_settingsFile), name, currentSettings());
    if (!preset) {
        return false;
    }
    applyOutputSettings(preset->settings);
    if (!sameDesign(m_design, preset->settings.watermark)) {
        // The design is the designer's to store; it stays after a restart
        // as one taken with "ÜBERNEHMEN" does.
        m_design = preset->settings.watermark;
        static_cast<void>(saveWatermarkSettings(m_design, m_settingsFile));
    }
    showLossless();
    scheduleEstimate();
    return true;
}

bool frmOptimize::deletePreset(const std::string& name) {
    return vendrik::deletePreset(m_settingsFile, name);
}

void frmOptimize::showPresets() {
    focusDummy();
    QDialog dialog(this);
    dialog.setWindowTitle(QStringLiteral("Voreinstellungen"));
    auto* list = new QListWidget(&dialog);
    list->setAccessibleName(QStringLiteral("Voreinstellungen"));
    list->setUniformItemSizes(true);  // thousands of names lay out at once
    auto* apply = new ccXPButton(QStringLiteral("Anwenden"), &dialog);
    auto* saveAs = new ccXPButton(QStringLiteral("Speichern unter..."), &dialog);
    auto* remove = new ccXPButton(QStringLiteral("Löschen"), &dialog);
    auto* close = new ccXPButton(QStringLiteral("Schließen"), &dialog);
    auto* buttons = new QVBoxLayout;
    for (ccXPButton* b : {apply, saveAs, remove}) {
        b->setFixedHeight(23);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    close->setFixedHeight(23);
    buttons->addWidget(close);
    auto* row = new QHBoxLayout(&dialog);
    row->addWidget(list, 1);
    row->addLayout(buttons);

    const auto fill = [this, list](const std::string& current) {
        list->clear();
        for (const std::string& name : presetNames()) {
            list->addItem(QString::fromStdString(name));
            if (equalsIgnoringCase(name, current)) {
                list->setCurrentRow(list->count() - 1);
            }
        }
        if (list->currentRow() < 0 && list->count() > 0) {
            list->setCurrentRow(0);
        }
    };
    const auto chosen = [list] {
        const QListWidgetItem* item = list->currentItem();
        return item != nullptr ? item->text().toStdString() : std::string();
    };
    const auto applyChosen = [&] {
        if (const std::string name = chosen(); !name.empty() && applyPreset(name)) {
            dialog.accept();
        }
    };
    connect(apply, &ccXPButton::Click, &dialog, applyChosen);
    connect(list, &QListWidget::itemDoubleClicked, &dialog, applyChosen);
    connect(saveAs, &ccXPButton::Click, &dialog, [&] {
        bool ok = false;
        const QString typed = QInputDialog::getText(
            &dialog, QStringLiteral("Speichern unter"), QStringLiteral("Name der Voreinstellung:"),
            QLineEdit::Normal, QString::fromStdString(chosen()), &ok);
        if (!ok) {
            return;
        }
        const std::string name = typed.trimmed().toStdString();
        const auto names = presetNames();
        const bool exists = std::any_of(names.begin(), names.end(), [&](const std::string& n) {
            return equalsIgnoringCase(n, name);
        });
        if (exists && !m_services->askYesNo(&dialog, QStringLiteral("Die Voreinstellung %1 "
                                                                     "ersetzen?")
                                                          .arg(quoted(name)))) {
            return;
        }
        if (savePresetAs(name)) {
            fill(name);
        }
    });
    connect(remove, &ccXPButton::Click, &dialog, [&] {
        const std::string name = chosen();
        if (name.empty() ||
            !m_services->askYesNo(&dialog, QStringLiteral("Die Voreinstellung %1 löschen?")
                                               .arg(quoted(name)))) {
            return;
        }
        static_cast<void>(deletePreset(name));
        fill({});
    });
    connect(close, &ccXPButton::Click, &dialog, &QDialog::reject);
    fill({});
    dialog.resize(360, 260);
    dialog.exec();
}

}  // namespace vendrik
