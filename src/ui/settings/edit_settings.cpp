#include "ui/settings/edit_settings.h"

#include "core/files/folder_lock.h"
#include "core/intervals/patterns.h"
#include "core/render/letter_table.h"
#include "core/settings/app_settings.h"
#include "core/settings/profile_store.h"
#include "ui/app/dialog_colors.h"
#include "ui/app/picker_services.h"
#include "ui/settings/settings_dlg.h"

#include <QDir>
#include <QFile>

namespace {

// The working folder by its full name, as a message should name it.
std::filesystem::path WorkingFolder()
{
    std::error_code ec;
    const std::filesystem::path folder = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path(".") : folder;
}

QString FromLocal(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string ToLocal(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

void Show(PickerServices& pickers, QWidget* parent, const std::string& text)
{
    pickers.ShowMessage(parent, QString::fromStdString(text));
}

// Splits the patterns into starts.txt and ends.txt of the working folder, which no
// other Lirovane run may be writing meanwhile.
void SplitIntoWorkingFolder(lirovane::AppSettings& settings, PickerServices& pickers, QWidget* parent)
{
    lirovane::FolderLock lock;
    if (const lirovane::IoStatus locked = lock.Acquire(WorkingFolder()); !locked) {
        Show(pickers, parent, locked.Message());
        return;
    }
    // The count stays when the patterns cannot be read at all.
    std::vector<lirovane::SizeSelection> sizes{{settings.sizeOfRepeats, {}, settings.numberOfRepeatsInThisSet}};
    const lirovane::IoStatus split = lirovane::SplitPatterns(settings.patternsFile, settings.sequenceFile, sizes,
                                                             lirovane::BadRecord::KeepRecordsBefore);
    settings.numberOfRepeatsInThisSet = sizes.front().count;
    // The patterns' fault shows the invalid-file message with its reason below it;
    // position files that cannot be written show the writer's reason alone.
    if (lirovane::PatternsRejected(split, sizes))
        Show(pickers, parent, std::string(lirovane::kInvalidPatternsMessage) + "\n\n" + split.Message());
    else if (!split)
        Show(pickers, parent, split.Message());
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
    SetSlotColors(dlg, settings.colors);
    if (dlg.exec() != QDialog::Accepted)
        return false;

    settings.SetOrientation(dlg.m_nOrientation);
    settings.colors = SlotColorsOf(dlg);
    settings.sizeOfRepeats = dlg.m_nRepeatSize;
    settings.patternsFile = ToLocal(dlg.m_strPatternsFile);
    settings.sequenceFile = ToLocal(dlg.m_strSequenceFile);

    // starts.txt and ends.txt belong in the start-up directory, whatever the choosers did.
    const std::string path = store.GetProfileString(lirovane::kProfileSection, "Path");
    if (!path.empty())
        QDir::setCurrent(FromLocal(path));

    SplitIntoWorkingFolder(settings, pickers, parent);
    lirovane::SaveSettings(settings, store);
    return true;
}
