#include "ui/settings/edit_settings.h"

#include "ui/app/picker_services.h"
#include "core/io/patterns.h"
#include "core/render/letter_table.h"
#include "core/settings/app_settings.h"
#include "core/settings/profile_store.h"
#include "ui/settings/settings_dlg.h"

#include <QDir>
#include <QFile>

namespace {

QString FromLocal(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string ToLocal(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

bool EditSettings(lirovane::AppSettings& settings, lirovane::ProfileStore& store, PickerServices& pickers,
                  QWidget* parent)
{
    CSettingsDlg dlg(pickers, parent);
    dlg.m_strPatternsFile = FromLocal(settings.patternsFile);
    dlg.m_strSequenceFile = FromLocal(settings.sequenceFile);
    dlg.m_nRepeatSize = settings.sizeOfRepeats;
    dlg.m_nOrientation = settings.letterOrientation;
    dlg.SetColors(settings.colors);
    if (dlg.exec() != QDialog::Accepted)
        return false;

    settings.SetOrientation(dlg.m_nOrientation);
    settings.colors = dlg.Colors();
    settings.sizeOfRepeats = dlg.m_nRepeatSize;
    settings.patternsFile = ToLocal(dlg.m_strPatternsFile);
    settings.sequenceFile = ToLocal(dlg.m_strSequenceFile);

    // starts.txt and ends.txt belong in the start-up directory, whatever the choosers did.
    const std::string path = store.GetProfileString(lirovane::kProfileSection, "Path");
    if (!path.empty())
        QDir::setCurrent(FromLocal(path));

    const lirovane::SplitResult split = lirovane::SplitPatterns(
        settings.patternsFile, settings.sequenceFile, settings.sizeOfRepeats,
        [&pickers, parent](std::string_view text) {
            pickers.ShowMessage(parent, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
        });
    if (split.opened)
        settings.numberOfRepeatsInThisSet = split.count;
    lirovane::SaveSettings(settings, store);
    return true;
}
