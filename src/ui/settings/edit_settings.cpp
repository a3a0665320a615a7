#include "ui/settings/edit_settings.h"

#include "core/files/folder_lock.h"
#include "core/files/output_file.h"
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
    const lirovane::SplitResult split =
        lirovane::SplitPatterns(settings.patternsFile, settings.sequenceFile, settings.sizeOfRepeats);
    const std::string rejected = std::string(lirovane::kInvalidPatternsMessage) + "\n\n" + split.Message();
    if (split->trf && !split->opened) {
        // A rejected .dat file selects nothing, as a file without a record of the size
        // would: the earlier selection, of another genome perhaps, must not be drawn.
        for (const char* name : {"starts.txt", "ends.txt"}) {
            lirovane::OutputFile empty{std::filesystem::path(name)};
            static_cast<void>(empty.Close()); // the message below says what went wrong
        }
        settings.numberOfRepeatsInThisSet = 0;
        Show(pickers, parent, rejected);
        return;
    }
    // The patterns' fault shows the invalid-file message with its reason below it;
    // position files that could not be written show the writer's reason alone.
    if (lirovane::PatternsRejected(split))
        Show(pickers, parent, rejected);
    else if (!split)
        Show(pickers, parent, split.Message());
    if (split->opened)
        settings.numberOfRepeatsInThisSet = split->count;
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
