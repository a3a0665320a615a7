#include "ui/app/morkelby_view.h"

#include "core/sequence/genome_coordinates.h"
#include "core/settings/app_settings.h"
#include "ui/app/picker_services.h"
#include "ui/app/run_progress.h"
#include "ui/app/wait_surface.h"
#include "ui/app/web_browser.h"
#include "ui/settings/edit_settings.h"
#include "ui/viewer/strandscope_launcher.h"

#include <cerrno>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QResizeEvent>
#include <QUrl>

CMorkelbyView::CMorkelbyView(lirovane::AppSettings& settings, lirovane::ProfileStore& store, PickerServices& pickers,
                             QWidget* parent)
    : QWidget(parent), m_settings(settings), m_store(store), m_pickers(pickers), m_recent(store)
{
    setObjectName(QStringLiteral("view"));
    // The settings are loaded while the view is built; on a first run the settings
    // dialog runs here, before the main window is shown.
    lirovane::LoadSettings(m_settings, m_store, [this] { EditSettings(m_settings, m_store, m_pickers, nullptr); });

    m_browser = new CWebBrowser2(this);
    m_browser->setGeometry(0, 0, 100, 100);
    m_browser->SetStartPage(StartPage());
    m_browser->Navigate(QStringLiteral("about:start"));
    m_surface = new WaitSurface(this);
    setFocusProxy(m_browser);
    // A thumbnail and a picture opened from it offer the same entry.
    connect(m_browser, &CWebBrowser2::pictureContextMenu, this, [this](QMenu* menu, const QString& picture) {
        if (!ShowsInStrandscope(picture))
            return; // neither a repeat's position, a feature nor a record: nothing to show
        if (!menu->isEmpty())
            menu->addSeparator();
        QAction* show = menu->addAction(tr("Show in Strandscope"));
        show->setObjectName(QStringLiteral("showInStrandscope"));
        connect(show, &QAction::triggered, this, [this, picture] { ShowInStrandscope(picture); });
    });
    m_browser->setPictureToolTip([this](const QString& picture) { return PictureToolTip(picture); });
    // A page shown afresh may come with new pictures and position files.
    connect(m_browser, &CWebBrowser2::navigated, this, [this] { m_source.reset(); });
}

const GallerySource& CMorkelbyView::SourceOf(const QString& picturePath)
{
    const QString folder = QFileInfo(picturePath).absolutePath();
    if (!m_source || m_source->folder() != folder)
        m_source = GallerySource::Read(folder);
    return *m_source;
}

// The sequence file a gallery's page names, found beside the page, in the working folder
// or above the page, or by the user; empty when the user gave up.
QString CMorkelbyView::SequenceOf(const GallerySource& source)
{
    // A page without that line was drawn from the sequence of the current settings.
    if (source.sequenceName().isEmpty())
        return QString::fromStdString(m_settings.sequenceFile);
    if (QString found = source.existingSequence(); !found.isEmpty())
        return found;
    const QString key = source.folder() + QLatin1Char('\n') + source.sequenceName();
    if (QString earlier = m_chosenSequences.value(key); QFileInfo(earlier).isFile())
        return earlier;
    const QString working = QDir::currentPath();
    const auto chosen =
        m_pickers.OpenFileName(window(), QFileInfo(source.sequenceName()).fileName(), SequenceFileFilters(), QString());
    QDir::setCurrent(working);
    if (!chosen) {
        QStringList tried = source.sequenceCandidates();
        for (QString& path : tried)
            path = QDir::toNativeSeparators(path);
        m_pickers.ShowMessage(window(), tr("The sequence file \"%1\" of this gallery was not found. Looked for:\n%2")
                                            .arg(source.sequenceName(), tried.join(QLatin1Char('\n'))));
        return {};
    }
    m_chosenSequences.insert(key, *chosen);
    return *chosen;
}

bool CMorkelbyView::ShowsInStrandscope(const QString& picturePath)
{
    const GallerySource& source = SourceOf(picturePath);
    const QString name = QFileInfo(picturePath).fileName();
    return source.recordOf(name) || PicturePosition(picturePath) || source.featureOf(name);
}

void CMorkelbyView::ShowInStrandscope(const QString& picturePath)
{
    const GallerySource& source = SourceOf(picturePath);
    const QString name = QFileInfo(picturePath).fileName();
    // An overview's picture is its record's, whatever its name looks like ("1.bmp" for chromosome 1).
    std::optional<FeatureSpot> feature = source.recordOf(name);
    const bool record = feature.has_value();
    const std::optional<std::int64_t> position = record ? std::nullopt : PicturePosition(picturePath);
    if (!record && !position)
        feature = source.featureOf(name);
    if (!position && !feature)
        return;
    ViewerTarget target;
    target.sequenceFile = SequenceOf(source);
    if (target.sequenceFile.isEmpty())
        return;
    if (position) {
        target.startIndex = *position - 1;
        if (const auto end = source.endOf(*position))
            target.stretchTokens = *end - *position; // the token at the end never joins the stretch
    } else {
        const auto first = FeatureStartIndex(target.sequenceFile, *feature);
        if (!first) {
            m_pickers.ShowMessage(window(), tr("The record \"%1\" of this picture is not in %2.")
                                                .arg(QString::fromStdString(feature->record),
                                                     QDir::toNativeSeparators(target.sequenceFile)));
            return;
        }
        target.startIndex = *first;
        target.stretchTokens = feature->end - feature->start + 1;
        target.minusStrand = feature->minus;
        target.fitRecord = record;
    }
    // The look the window's galleries are drawn in; the Strandscope command keeps the viewer's own.
    target.orientation = m_settings.letterOrientation;
    target.colors = m_settings.colors;
    RunStrandscopeViewerAt(window(), m_pickers, m_store, target);
}

QString CMorkelbyView::PictureToolTip(const QString& picturePath)
{
    const GallerySource& source = SourceOf(picturePath);
    const QString name = QFileInfo(picturePath).fileName();
    auto feature = source.recordOf(name); // an overview's record, as a feature spanning it
    if (!feature)
        feature = source.featureOf(name);
    if (feature) {
        const QString where =
            QStringLiteral("%1:%2-%3")
                .arg(QString::fromStdString(feature->record),
                     QString::fromStdString(lirovane::WithCommas(static_cast<std::uint64_t>(feature->start))),
                     QString::fromStdString(lirovane::WithCommas(static_cast<std::uint64_t>(feature->end))));
        return feature->minus ? tr("%1, minus strand").arg(where) : where;
    }
    const auto position = PicturePosition(picturePath);
    if (!position)
        return {};
    const QString sequence =
        source.sequenceName().isEmpty() ? QString::fromStdString(m_settings.sequenceFile) : source.existingSequence();
    return DescribeStretch(sequence, *position, source.endOf(*position));
}

void CMorkelbyView::OnOpenGallery()
{
    const QString working = QDir::currentPath();
    const QStringList recent = m_recent.list();
    const auto page =
        m_pickers.OpenFileName(window(), QStringLiteral("index.htm"),
                               {tr("Gallery pages (index.htm *.htm *.html)"), tr("All files (*)")}, recent.value(0));
    QDir::setCurrent(working); // a gallery is only looked at: the working folder stays
    if (page)
        OpenGallery(*page);
}

bool CMorkelbyView::OpenGallery(const QString& path)
{
    QFileInfo info(QDir::current(), path);
    if (info.isDir())
        info = QFileInfo(QDir(info.absoluteFilePath()), QStringLiteral("index.htm"));
    const QString page = QDir::toNativeSeparators(info.absoluteFilePath());
    QFile file(info.absoluteFilePath());
    QString problem;
    if (!info.exists())
        problem = tr("There is no gallery at %1: the page does not exist.").arg(page);
    else if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        problem = tr("The gallery page %1 cannot be read: %2.").arg(page, file.errorString());
    else if (const QByteArray head = file.read(64);
             !head.startsWith("<html><body><br>Sequence file: ") && !head.startsWith("<html><body><br>Genomes: "))
        problem = tr("%1 is not a gallery page: Lirovane, lirovane-batch and the workflow write "
                     "index.htm pages that start with \"Sequence file:\" or \"Genomes:\".")
                      .arg(page);
    if (!problem.isEmpty()) {
        m_pickers.ShowMessage(window(), problem);
        return false;
    }
    m_browser->Navigate(QUrl::fromLocalFile(info.absoluteFilePath()).toString());
    m_recent.add(info.absoluteFilePath());
    emit recentGalleriesChanged();
    return true;
}

CMorkelbyView::~CMorkelbyView() = default;

const QImage& CMorkelbyView::waitImage() const
{
    return m_surface->image();
}

void CMorkelbyView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The browser keeps its origin and takes the whole client area.
    const QRect client = rect();
    m_browser->SetWidth(client.width());
    m_browser->SetHeight(client.height());
    m_browser->repaint();
}

void CMorkelbyView::OnChangeSettings()
{
    EditSettings(m_settings, m_store, m_pickers, window());
}

void CMorkelbyView::OnCreateImages()
{
    // The gallery of the settings' size, from the selection the settings dialog split
    // into the working folder, drawn on this view's surface.
    lirovane::BatchRequest request;
    request.sequence = m_settings.sequenceFile;
    request.selection = {lirovane::SelectionKind::PositionFiles, {}, m_settings.numberOfRepeatsInThisSet};
    request.sizes = {m_settings.sizeOfRepeats};
    request.out = QFile::encodeName(QDir::currentPath()).toStdString();
    request.style = m_settings.Style();
    request.inputs = lirovane::InputRule::AsGiven;
    request.picturesAhead = 64; // the bar shows pictures saved, not only read
    BeginRun(tr("Create images"), m_settings.numberOfRepeatsInThisSet);
    const lirovane::BatchReport report = lirovane::RunBatch(request, *this);
    EndRun();
    ReportRun(report);
    emit batchFinished(report);
}

void CMorkelbyView::OnOverview()
{
    // As `lirovane-batch --sequence FILE --overview --out .`, in the look of the galleries.
    lirovane::OverviewRequest request;
    request.sequenceFile = m_settings.sequenceFile;
    const QString folder = QDir::current().absoluteFilePath(QStringLiteral("overview"));
    request.folder = QFile::encodeName(folder).toStdString();
    request.style = m_settings.Style();
    BeginRun(tr("Overview of the sequence"), 0);
    const lirovane::OverviewReport report = lirovane::RunOverview(request, *this);
    EndRun();
    ReportOverview(report, QDir::toNativeSeparators(folder));
    emit overviewFinished(report);
}

void CMorkelbyView::BeginRun(const QString& title, int count)
{
    m_wasActive = window()->isActiveWindow();
    m_surface->Begin();
    m_progress = std::make_unique<RunProgress>(window(), title, QString::fromStdString(m_settings.sequenceFile), count);
    connect(m_progress.get(), &RunProgress::cancelled, m_surface, &WaitSurface::AskStop);
    m_surface->LetInputTo(m_progress.get());
    m_progress->show();
}

void CMorkelbyView::EndRun()
{
    m_progress.reset();
    // Keys go where they went before the run, whichever window the system activated meanwhile.
    if (m_wasActive)
        window()->activateWindow();
    m_surface->End();
}

void CMorkelbyView::OnBack()
{
    m_browser->GoBack();
}

void CMorkelbyView::OnStrandscope()
{
    RunStrandscopeViewer(window(), m_pickers, m_store);
}

lirovane::Canvas& CMorkelbyView::Surface()
{
    return m_surface->canvas();
}

void CMorkelbyView::Present()
{
    m_surface->Present();
}

void CMorkelbyView::Progress(int pictures, int count)
{
    m_surface->SetBarRight(lirovane::ProgressBarRight(pictures, count));
    if (m_progress)
        m_progress->SetCount(pictures, count);
    emit batchProgress(pictures, count);
}

bool CMorkelbyView::StopRequested()
{
    // Asked often, and between pictures too: Escape and Cancel are seen while the
    // sequence is read past stretches.
    m_surface->KeepPainted();
    return m_surface->stopAsked();
}

void CMorkelbyView::Navigate(const std::string& url)
{
    m_browser->Navigate(QString::fromStdString(url));
}

void CMorkelbyView::ReportRun(const lirovane::BatchReport& report)
{
    // The batch goes on past a file it cannot write; say once, in one box, what went wrong.
    const auto message = [](const lirovane::IoError& error) { return QString::fromStdString(error.Message()); };
    QStringList lines;
    for (const lirovane::RunError& error : report.errors) {
        if (error.item == lirovane::RunItem::Sequence)
            lines << tr("The sequence file cannot be read, so no picture was made.\n%1").arg(message(error.error));
        else if (error.item == lirovane::RunItem::SequenceEnd)
            lines << tr("The sequence file cannot be read to its end; pictures stop there.\n%1")
                         .arg(message(error.error));
        else
            lines << message(error.error); // another run's folder, an input the page would replace
    }
    for (const lirovane::SizeGallery& gallery : report.galleries) {
        const lirovane::BatchResult& result = gallery.result;
        const QString dir = QFile::decodeName(result.page.parent_path().string().c_str());
        const int missing = result.Count(lirovane::RunItem::Picture);
        if (report.stopped)
            lines << (result.pictures - missing == 1
                          ? tr("Create images was cancelled: 1 picture was written to %1.").arg(dir)
                          : tr("Create images was cancelled: %1 pictures were written to %2.")
                                .arg(QLocale().toString(result.pictures - missing), dir))
                  << tr("The page index.htm was not replaced.");
        // The selection lives where the settings were confirmed: a new folder has none. With
        // no repeat of the size, a missing position file is an empty selection.
        const lirovane::IoError* positions = result.Error(lirovane::RunItem::Positions);
        if (positions != nullptr && m_settings.numberOfRepeatsInThisSet > 0)
            lines << tr("The selected repeats, starts.txt and ends.txt, cannot be read in %1.\n%2\n"
                        "OK in the settings dialog (Change Settings) makes a selection in this folder.")
                         .arg(dir, message(*positions));
        else if (positions != nullptr && positions->osError != ENOENT)
            lines << tr("The selected positions cannot be read whole; later repeats are missing.\n%1")
                         .arg(message(*positions));
        if (missing > 0)
            lines << tr("%n of %1 pictures cannot be written to %2.", nullptr, missing).arg(result.pictures).arg(dir);
        if (result.Error(lirovane::RunItem::Page))
            lines << tr("The page index.htm cannot be written to %1.").arg(dir);
    }
    if (!lines.isEmpty())
        m_pickers.ShowMessage(window(), lines.join(QLatin1Char('\n')));
}

void CMorkelbyView::ReportOverview(const lirovane::OverviewReport& report, const QString& folder)
{
    // As after Create images: one box, and only when something failed or was cancelled.
    const auto message = [](const lirovane::IoStatus& status) { return QString::fromStdString(status.Message()); };
    QStringList lines;
    const auto written = static_cast<int>(report.pictures - report.unwritten.size());
    if (!report.folder.ok())
        lines << message(report.folder);
    else if (!report.sequence.ok())
        lines << tr("The sequence file cannot be read whole, so the overview's page was not written.\n%1")
                     .arg(message(report.sequence));
    if (report.stopped)
        lines << (written == 1 ? tr("The overview was cancelled: 1 picture was written to %1.").arg(folder)
                               : tr("The overview was cancelled: %1 pictures were written to %2.")
                                     .arg(QLocale().toString(written), folder))
              << tr("The page index.htm was not replaced.");
    if (!report.unwritten.empty())
        lines << tr("%n of %1 pictures cannot be written to %2.", nullptr, static_cast<int>(report.unwritten.size()))
                     .arg(report.pictures)
                     .arg(folder)
              << QString::fromStdString(report.unwritten.front().Message());
    for (const lirovane::IoStatus* table : {&report.page, &report.table})
        if (!table->ok())
            lines << message(*table);
    if (!lines.isEmpty())
        m_pickers.ShowMessage(window(), lines.join(QLatin1Char('\n')));
}

QString CMorkelbyView::StartPage() const
{
    const QString dir = QDir::currentPath().toHtmlEscaped();
    return QStringLiteral("<html><body style=\"font-size: large\">"
                          "<h2>Lirovane</h2>"
                          "<p>Draws the repeats of a DNA sequence as walks: each base moves a pen one step "
                          "left, up, down or right.</p>"
                          "<ol>"
                          "<li><p><b>Menu &gt; Change Settings...</b> (Ctrl+N, or <b>Set</b> on the toolbar): "
                          "choose a sequence file in FASTA format, a file of found repeats "
                          "(<i>start end size</i> lines, or Tandem Repeats Finder <i>.dat</i> output), "
                          "the repeat size, the letter orientation and the colours; then OK.</p></li>"
                          "<li><p><b>Menu &gt; Create images...</b> (Ctrl+O, or <b>Run</b>): draws one picture per "
                          "repeat of that size and shows them here as thumbnails.</p></li>"
                          "<li><p>Click a thumbnail to see the picture at full size; <b>Back</b> (Ctrl+S) "
                          "returns to the thumbnails.</p></li>"
                          "</ol>"
                          "<p><b>Menu &gt; Overview of the sequence...</b> draws every record of the sequence "
                          "file whole, one picture each, into <i>overview</i> in this folder; a thumbnail's "
                          "context menu opens the record in Strandscope.</p>"
                          "<p><b>Strandscope</b> (Ctrl+C) walks along any sequence file, one picture at a time.</p>"
                          "<p><b>Menu &gt; Open gallery...</b> (Ctrl+Shift+O) shows a gallery made elsewhere, by "
                          "<i>lirovane-batch</i> or the workflow; a folder or page dropped here opens too.</p>"
                          "<p>Pictures and <i>index.htm</i> are written to <i>%1</i>.</p>"
                          "</body></html>")
        .arg(dir);
}
