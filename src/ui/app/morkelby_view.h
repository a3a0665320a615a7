#pragma once

#include "core/batch/batch_run.h"
#include "core/batch/overview.h"
#include "ui/app/gallery_source.h"
#include "ui/app/recent_galleries.h"

#include <QHash>
#include <QWidget>

#include <memory>
#include <optional>

class CWebBrowser2;
class PickerServices;
class RunProgress;
class WaitSurface;
namespace lirovane {
struct AppSettings;
class ProfileStore;
} // namespace lirovane

// The main window's only content: the browser control filling the view, and the
// target of the four working commands. Constructing it loads the settings (and on
// the very first run shows the settings dialog before any window is visible).
class CMorkelbyView : public QWidget, private lirovane::BatchDisplay {
    Q_OBJECT

public:
    CMorkelbyView(lirovane::AppSettings& settings, lirovane::ProfileStore& store, PickerServices& pickers,
                  QWidget* parent = nullptr);
    ~CMorkelbyView() override;

    CWebBrowser2* browser() const { return m_browser; }
    // The surface the last batch drew its wait display on.
    const QImage& waitImage() const;

public slots:
    void OnChangeSettings(); // command 57600, Change Settings
    void OnCreateImages();   // command 57601, Create images
    void OnBack();           // command 57603, Back to the last gallery
    void OnStrandscope();    // command 57634, open the Strandscope viewer
    // Draws every record of the settings' sequence file whole into the working folder's
    // overview/ folder, as Create images draws its gallery, and shows the page.
    void OnOverview();
    // Opens the viewer on the sequence a gallery picture was drawn from, at its repeat,
    // in the settings' orientation and colours.
    void ShowInStrandscope(const QString& picturePath);
    // Asks for a gallery page and shows it.
    void OnOpenGallery();
    // Shows a gallery page (or the index.htm of a folder) made by Lirovane or its
    // pipeline; says why when there is none. The working folder stays as it is.
    bool OpenGallery(const QString& path);

public:
    QStringList recentGalleries() const { return m_recent.list(); }
    // The tooltip of a gallery picture: where its repeat lies in the genome.
    QString PictureToolTip(const QString& picturePath);

signals:
    void recentGalleriesChanged();
    // After every picture of a batch, once the progress bar has been drawn (it is shown
    // on screen when it moved, at most once a frame).
    void batchProgress(int pictures, int count);
    void batchFinished(const lirovane::BatchReport& report);
    void overviewFinished(const lirovane::OverviewReport& report);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // BatchDisplay: the batch draws on the view's own surface.
    lirovane::Canvas& Surface() override;
    void Present() override;
    void Progress(int pictures, int count) override;
    void Navigate(const std::string& url) override;
    bool StopRequested() override;

    QString StartPage() const;
    const GallerySource& SourceOf(const QString& picturePath);
    QString SequenceOf(const GallerySource& source);
    // The wait display and the count window, with input dropped but for Escape and Cancel,
    // until EndRun().
    void BeginRun(const QString& title, int count);
    void EndRun();
    void ReportRun(const lirovane::BatchReport& report);
    void ReportOverview(const lirovane::OverviewReport& report, const QString& folder);
    // "Show in Strandscope" for a picture: a repeat, a feature or an overview's record.
    bool ShowsInStrandscope(const QString& picturePath);

    lirovane::AppSettings& m_settings;
    lirovane::ProfileStore& m_store;
    PickerServices& m_pickers;
    CWebBrowser2* m_browser = nullptr;
    WaitSurface* m_surface = nullptr;
    RecentGalleries m_recent;
    std::optional<GallerySource> m_source;     // of the folder of the pictures last asked about
    QHash<QString, QString> m_chosenSequences; // a page's sequence name -> the file the user found
    std::unique_ptr<RunProgress> m_progress;   // while Create images or the overview runs
    bool m_wasActive = false;                  // the window had the keys when the run began
};
