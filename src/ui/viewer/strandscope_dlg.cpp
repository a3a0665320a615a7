#include "ui/viewer/strandscope_dlg.h"

#include "core/files/input_file.h"
#include "core/settings/profile_store.h"
#include "ui/app/dialog_colors.h"
#include "ui/app/dialog_look.h"
#include "ui/app/dialog_units.h"
#include "ui/app/picker_services.h"
#include "ui/viewer/picture_area.h"
#include "ui/viewer/picture_button.h"
#include "ui/viewer/viewer_color_dlg.h"

#include "core/sequence/genome_coordinates.h"

#include <QApplication>
#include <QPushButton>
#include <QShortcut>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

using lirovane::kViewerHeight;
using lirovane::kViewerWidth;

namespace {

std::filesystem::path ToPath(const QString& file)
{
    return std::filesystem::path(QFile::encodeName(file).toStdString());
}

// Positions and sizes of the template, in dialog units.
struct Placed {
    const char* name;
    int x, y, w, h;
};

constexpr int kLowerTop = 251;           // the first template row below the picture
constexpr QPoint kPictureCorner{25, 16}; // control 1011, the picture area's corner
constexpr QSize kTemplateSize{512, 353}; // the dialog's own size
constexpr int kMargin = 7;               // between the outermost controls and the dialog's edge
constexpr int kGap = 3;                  // pixels between the picture, its legend letters and the rows below

// Moves a control to its template place below the picture, `shift` pixels further down.
void PlaceBelowPicture(QWidget* widget, const DialogUnits& du, int shift, int x, int y)
{
    widget->move(du.x(x), du.y(y) + shift);
}

} // namespace

CStrandscopeDlg::CStrandscopeDlg(PickerServices& pickers, lirovane::ProfileStore& store, QWidget* parent)
    : QDialog(parent), m_pickers(pickers), m_store(store)
{
    setObjectName(QStringLiteral("strandscopeDialog"));
    setWindowTitle(QStringLiteral("Strandscope"));
    ApplyDialogLook(*this);

    // Created in tab order.
    addButton("Load", "loadButton", tr("Load file"), &CStrandscopeDlg::load);
    addButton("Cam", "saveButton", tr("Save image"), &CStrandscopeDlg::saveImage);
    addButton("zoomin", "zoomInButton", tr("Zoom in (+)"), &CStrandscopeDlg::zoomIn);
    addButton("zoomout", "zoomOutButton", tr("Zoom out (-)"), &CStrandscopeDlg::zoomOut);
    addButton("Set", "settingsButton", tr("Change settings"), &CStrandscopeDlg::changeSettings);
    m_area = new PictureArea(m_model.Image(), this);
    m_area->setObjectName(QStringLiteral("pictureArea"));
    m_model.SetScreen(&m_area->screen());
    addButton("For", "nextButton", tr("Next (Page Down)"), &CStrandscopeDlg::next);

    createIndexBoxes();
    addButton("back", "previousButton", tr("Previous (Page Up)"), &CStrandscopeDlg::previous);
    addButton("Draw", "redrawButton", tr("Redraw"), &CStrandscopeDlg::redraw);

    createGoToRow();
    createLevelButtons();
    createLegend();
    updateLegend(); // orientation 1: the template's C, A, T, G

    layoutControls();
    findChild<PictureButton*>(QStringLiteral("loadButton"))->setFocus();
}

// The start index box, which takes digits, and the read-only end index box.
void CStrandscopeDlg::createIndexBoxes()
{
    m_startEdit = new QLineEdit(this);
    m_startEdit->setObjectName(QStringLiteral("startIndexEdit"));
    m_startEdit->setAlignment(Qt::AlignRight);
    m_startEdit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_startEdit));
    m_startEdit->installEventFilter(this);
    m_endEdit = new QLineEdit(this);
    m_endEdit->setObjectName(QStringLiteral("endIndexEdit"));
    m_endEdit->setAlignment(Qt::AlignRight);
    m_endEdit->setReadOnly(true);
    // Read-only on the face colour of a button instead of the white of a box that
    // takes typing, as read-only boxes look on the desktop.
    QPalette readOnly = m_endEdit->palette();
    readOnly.setColor(QPalette::Base, readOnly.color(QPalette::Button));
    m_endEdit->setPalette(readOnly);
}

// Go to, its button and Ctrl+G, and the status line below them.
void CStrandscopeDlg::createGoToRow()
{
    m_goToEdit = new QLineEdit(this);
    m_goToEdit->setObjectName(QStringLiteral("goToEdit"));
    m_goToEdit->setPlaceholderText(tr("chr1:10,001 or a start index"));
    m_goToEdit->setToolTip(tr("Go to (Ctrl+G): name:position, name:start-end, name, or a start index"));
    m_goToEdit->installEventFilter(this);
    auto* goToButton = new QPushButton(tr("Go to"), this);
    goToButton->setObjectName(QStringLiteral("goToButton"));
    goToButton->setAutoDefault(false);
    connect(goToButton, &QPushButton::clicked, this, &CStrandscopeDlg::goTo);
    auto* goToKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this);
    connect(goToKey, &QShortcut::activated, this, [this] {
        m_goToEdit->setFocus();
        m_goToEdit->selectAll();
    });
    // Plus at every opening, like the viewer's other settings.
    m_strandButton = new QPushButton(tr("Strand: plus"), this);
    m_strandButton->setObjectName(QStringLiteral("strandButton"));
    m_strandButton->setToolTip(tr("Draw every window from the plus or the minus strand (reverse complement)"));
    m_strandButton->setCheckable(true);
    m_strandButton->setAutoDefault(false);
    connect(m_strandButton, &QPushButton::toggled, this, &CStrandscopeDlg::setMinusStrand);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLine"));
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->setWordWrap(true);
    m_status->setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

// Zoom out further, Zoom in closer, Fit record and Stop, beside Go to.
void CStrandscopeDlg::createLevelButtons()
{
    const struct {
        const char* name;
        QString text;
        QKeySequence key;
        void (CStrandscopeDlg::*command)();
    } buttons[] = {
        {"zoomOutFurtherButton", tr("Zoom out further"), QKeySequence(Qt::CTRL | Qt::Key_Minus),
         &CStrandscopeDlg::zoomOutFurther},
        {"zoomInCloserButton", tr("Zoom in closer"), QKeySequence(Qt::CTRL | Qt::Key_Plus),
         &CStrandscopeDlg::zoomInCloser},
        {"fitRecordButton", tr("Fit record"), QKeySequence(Qt::CTRL | Qt::Key_0), &CStrandscopeDlg::fitRecord},
    };
    for (const auto& b : buttons) {
        auto* button = new QPushButton(b.text, this);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setAutoDefault(false);
        button->setToolTip(b.text + QStringLiteral(" (") + b.key.toString(QKeySequence::NativeText) + ')');
        connect(button, &QPushButton::clicked, this, b.command);
        auto* key = new QShortcut(b.key, this);
        connect(key, &QShortcut::activated, this, [this, command = b.command] { fromKeyboard(command); });
        m_levelButtons.push_back(button);
    }
    // Ctrl and the = key, where + needs Shift.
    auto* closer = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Equal), this);
    connect(closer, &QShortcut::activated, this, [this] { fromKeyboard(&CStrandscopeDlg::zoomInCloser); });
    m_stopButton = new QPushButton(tr("Stop"), this);
    m_stopButton->setObjectName(QStringLiteral("stopButton"));
    m_stopButton->setAutoDefault(false);
    m_stopButton->setEnabled(false);
    m_levelButtons.push_back(m_stopButton);
    m_model.SetStopCheck([this] {
        if (m_drawing)
            QCoreApplication::processEvents(); // the window paints; a click or key asks to stop
        return m_stopRequested;
    });
}

template <typename Command> bool CStrandscopeDlg::whileDrawing(Command command)
{
    m_drawing = true;
    m_stopRequested = false;
    m_stopButton->setEnabled(true);
    qApp->installEventFilter(this);
    const bool drew = command();
    qApp->removeEventFilter(this);
    m_stopButton->setEnabled(false);
    m_drawing = false;
    if (m_stopRequested && !drew)
        showMessage(tr("Stopped; the picture is the one drawn before."));
    return drew;
}

// The letters beside the picture that tell which base steps which way.
void CStrandscopeDlg::createLegend()
{
    const char* legendNames[] = {"legendLeft", "legendAbove", "legendBelow", "legendRight"};
    for (std::size_t i = 0; i < m_legend.size(); ++i) {
        m_legend[i] = new QLabel(this);
        m_legend[i]->setObjectName(QString::fromLatin1(legendNames[i]));
        m_legend[i]->setAlignment(Qt::AlignCenter);
    }
}

PictureButton* CStrandscopeDlg::addButton(const char* caption, const char* name, const QString& tip,
                                          void (CStrandscopeDlg::*command)())
{
    auto* button = new PictureButton(QString::fromLatin1(caption), this);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(tip);
    connect(button, &PictureButton::clicked, this, command);
    return button;
}

void CStrandscopeDlg::layoutControls()
{
    const DialogUnits du(font());
    const QRect pic = placePicture(du);
    // Everything below the picture keeps its template place, moved down as far as the
    // picture's pixels need.
    const int shift = std::max(0, m_legend[2]->geometry().bottom() + 1 + kGap - du.y(kLowerTop));
    placeButtonsAndBoxes(du, shift);
    placeCaptions(du, shift);
    placeGoToRow(du, pic);
    fitSize();
}

// The template's size, or larger where the controls below the picture need it.
void CStrandscopeDlg::fitSize()
{
    const DialogUnits du(font());
    const int shift = std::max(0, m_legend[2]->geometry().bottom() + 1 + kGap - du.y(kLowerTop));
    QSize size(du.x(kTemplateSize.width()), du.y(kTemplateSize.height()) + shift);
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        size.setWidth(std::max(size.width(), child->geometry().right() + 1 + du.x(kMargin)));
        size.setHeight(std::max(size.height(), child->geometry().bottom() + 1 + du.y(kMargin)));
    }
    setFixedSize(size);
}

// The line under the picture shows its whole text: two lines at least, more when a long
// notice needs them (the viewer grows; the picture keeps its size).
void CStrandscopeDlg::fitStatusLine()
{
    const int lines = 2 * QFontMetrics(font()).lineSpacing() + 2;
    const int height = std::max(lines, m_status->heightForWidth(kViewerWidth));
    if (height == m_status->height())
        return;
    m_status->resize(kViewerWidth, height);
    fitSize();
}

QRect CStrandscopeDlg::placePicture(const DialogUnits& du)
{
    const QFontMetrics metrics(font());
    const QSize letter(metrics.horizontalAdvance(QLatin1Char('W')) + 4, metrics.height());
    // The picture's corner keeps its template place, moved in only if a legend letter
    // would not fit.
    const QPoint origin(std::max(du.x(kPictureCorner.x()), letter.width() + 2 * kGap),
                        std::max(du.y(kPictureCorner.y()), letter.height() + 2 * kGap));
    m_area->move(origin);
    const QRect pic(origin, QSize(kViewerWidth, kViewerHeight));
    for (QLabel* label : m_legend)
        label->resize(letter);
    m_legend[0]->move(pic.left() - kGap - letter.width(), pic.center().y() - letter.height() / 2);
    m_legend[1]->move(pic.center().x() - letter.width() / 2, pic.top() - kGap - letter.height());
    m_legend[2]->move(pic.center().x() - letter.width() / 2, pic.bottom() + 1 + kGap);
    m_legend[3]->move(pic.right() + 1 + kGap, pic.center().y() - letter.height() / 2);
    return pic;
}

void CStrandscopeDlg::placeButtonsAndBoxes(const DialogUnits& du, int shift)
{
    const Placed buttons[] = {
        {"loadButton", 27, 253, 0, 0},      {"saveButton", 89, 294, 0, 0},     {"zoomInButton", 387, 294, 0, 0},
        {"zoomOutButton", 386, 253, 0, 0},  {"settingsButton", 27, 294, 0, 0}, {"nextButton", 149, 253, 0, 0},
        {"previousButton", 151, 294, 0, 0}, {"redrawButton", 89, 253, 0, 0},
    };
    for (const Placed& b : buttons)
        PlaceBelowPicture(findChild<PictureButton*>(QString::fromLatin1(b.name)), du, shift, b.x, b.y);

    const QFontMetrics metrics(font());
    const int editHeight = std::max(du.y(12), m_startEdit->sizeHint().height());
    const int editWidth = std::max(du.x(52), metrics.horizontalAdvance(QStringLiteral("0000000000")) + 12);
    m_startEdit->resize(editWidth, editHeight);
    m_endEdit->resize(editWidth, editHeight);
    PlaceBelowPicture(m_startEdit, du, shift, 227, 293);
    PlaceBelowPicture(m_endEdit, du, shift, 289, 293);
    if (m_endEdit->x() < m_startEdit->geometry().right() + kGap * 2)
        m_endEdit->move(m_startEdit->geometry().right() + kGap * 2, m_endEdit->y());
}

void CStrandscopeDlg::placeCaptions(const DialogUnits& du, int shift)
{
    struct Label {
        const char* text;
        int x, y;
    };
    const Label labels[] = {
        {"Start index", 227, 282},    {"End index", 289, 282}, {"Zoom in", 387, 324}, {"Zoom out", 387, 285},
        {"Next", 151, 285},           {"Previous", 151, 324},  {"Redraw", 93, 285},   {"Save image", 93, 324},
        {"Change settings", 29, 324}, {"Load file", 29, 285},
    };
    for (const Label& l : labels) {
        auto* label = new QLabel(tr(l.text), this);
        label->adjustSize();
        PlaceBelowPicture(label, du, shift, l.x, l.y);
        if (l.x == 289) // over the end box, which may have moved right
            label->move(m_endEdit->x(), label->y());
        // A label sits just above its edit box, whatever the font's height.
        if (l.y == 282)
            label->move(label->x(), m_startEdit->y() - label->height() - 1);
    }
}

// Go to and the status line: a row below everything, outside the picture.
void CStrandscopeDlg::placeGoToRow(const DialogUnits& du, const QRect& pic)
{
    int bottom = 0;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child != m_goToEdit && child != m_status && child != m_strandButton && child->parent() == this &&
            !child->isHidden() &&
            std::find(m_levelButtons.begin(), m_levelButtons.end(), child) == m_levelButtons.end())
            bottom = std::max(bottom, child->geometry().bottom() + 1);
    const QFontMetrics metrics(font());
    const int editHeight = m_startEdit->height();
    auto* goToButton = findChild<QPushButton*>(QStringLiteral("goToButton"));
    const int rowTop = bottom + du.y(4);
    m_goToEdit->setGeometry(pic.left(), rowTop,
                            metrics.horizontalAdvance(QStringLiteral("chr22_KI270739v1_random:10,000,000")),
                            editHeight);
    goToButton->adjustSize();
    goToButton->move(m_goToEdit->geometry().right() + 1 + kGap * 2, rowTop + (editHeight - goToButton->height()) / 2);
    int left = goToButton->geometry().right() + 1 + kGap * 4;
    int rowBottom = std::max(m_goToEdit->geometry().bottom(), goToButton->geometry().bottom());
    for (QPushButton* button : m_levelButtons) {
        button->adjustSize();
        button->move(left, goToButton->y());
        left = button->geometry().right() + 1 + kGap;
        rowBottom = std::max(rowBottom, button->geometry().bottom());
    }
    // Sized for the longer of its two texts, so that it keeps its width when toggled.
    const QString strand = m_strandButton->text();
    m_strandButton->setText(tr("Strand: minus"));
    m_strandButton->adjustSize();
    m_strandButton->setText(strand);
    m_strandButton->move(left + kGap * 3, goToButton->y());
    rowBottom = std::max(rowBottom, m_strandButton->geometry().bottom());
    m_status->setGeometry(pic.left(), rowBottom + 1 + kGap, kViewerWidth, 2 * metrics.lineSpacing() + 2);
}

QPoint CStrandscopeDlg::pictureOrigin() const
{
    return m_area->pos();
}

void CStrandscopeDlg::refresh(bool drew)
{
    // A command that did nothing leaves the boxes alone, typed text included.
    if (!drew)
        return;
    m_startEdit->setText(QString::fromStdString(m_model.StartText()));
    m_endEdit->setText(QString::fromStdString(m_model.EndText()));
    updateMarks();
    m_area->repaint(); // on screen now, not at the next paint
    m_message.clear();
    updateStatus();
}

void CStrandscopeDlg::markStretch(qint64 startIndex, std::optional<qint64> steps)
{
    m_markStart = startIndex;
    m_markSteps = steps;
    updateMarks();
}

void CStrandscopeDlg::updateMarks()
{
    // The marks belong to the stretch: shown while the picture starts at it, at any zoom.
    if (m_markStart < 0 || !m_model.HasSequence() || m_model.StartIndex() != m_markStart || !m_model.LastLoadFound()) {
        m_area->setMarks({});
        return;
    }
    const int steps = m_markSteps ? static_cast<int>(std::min<qint64>(*m_markSteps, lirovane::kViewerMaxLetters + 1))
                                  : lirovane::kViewerMaxLetters + 1;
    m_area->setMarks(StretchMarks(m_model.KeptLetters(), m_model.Zoom(), m_model.Style(), steps));
}

const std::vector<MarkPoint>& CStrandscopeDlg::marks() const
{
    return m_area->marks();
}

void CStrandscopeDlg::setLook(int orientation, const lirovane::SlotColors& colors)
{
    m_model.ApplyColorSettings(orientation, colors);
    updateLegend();
    refresh(m_model.HasSequence());
}

QString CStrandscopeDlg::statusText() const
{
    return m_status->text();
}

void CStrandscopeDlg::showMessage(const QString& text)
{
    m_message = text;
    updateStatus();
}

void CStrandscopeDlg::updateStatus()
{
    if (!m_model.HasSequence()) {
        m_status->setText(m_message);
        fitStatusLine();
        return;
    }
    const std::filesystem::path& path = m_model.ViewerPath();
    const QString name = QFile::decodeName(path.filename().string().c_str());
    QString text = m_model.Level() > 1
                       ? tr("%1, %2").arg(name, QString::fromStdString(lirovane::LevelName(m_model.Level())))
                       : tr("%1, zoom %2").arg(name).arg(m_model.Zoom());
    if (const lirovane::IoStatus& load = m_model.LastLoadStatus(); !load.ok()) {
        text += QStringLiteral(": ") + QString::fromStdString(load.Message());
    } else if (!m_message.isEmpty()) {
        text += QStringLiteral(": ") + m_message;
    } else {
        const lirovane::ViewerFacts facts = m_model.Facts();
        if (facts.recordsKnown && facts.pastEnd)
            text += tr(": past the end of %1: %2 positions")
                        .arg(name, QString::fromStdString(lirovane::WithCommas(facts.totalPositions)));
        else if (!facts.range.empty())
            text += QStringLiteral(", ") + QString::fromStdString(facts.range);
        if (!facts.indexNotice.empty()) {
            text += QStringLiteral(" (") + QString::fromStdString(facts.indexNotice) + QLatin1Char(')');
        } else if (facts.bgzipHint && !m_gzipHintShown) {
            text += tr(" (bgzip the file to make jumps instant)");
            m_gzipHintShown = true;
        }
    }
    m_status->setText(text);
    m_status->setToolTip(text);
    fitStatusLine();
}

void CStrandscopeDlg::goTo()
{
    if (!m_model.HasSequence()) {
        showMessage(tr("Load a sequence file first."));
        return;
    }
    const auto target = m_model.GoTo(m_goToEdit->text().toStdString());
    if (!target) {
        showMessage(QString::fromStdString(target.Message()));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    refresh(m_model.Redraw());
    QApplication::restoreOverrideCursor();
    if (!target->note.empty())
        showMessage(QString::fromStdString(target->note));
}

void CStrandscopeDlg::loadAt(const QString& file, qint64 startIndex, bool minusStrand)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_strandButton->setChecked(minusStrand); // draws nothing before a load
    m_model.LoadAt(ToPath(file), startIndex);
    refresh(true);
    QApplication::restoreOverrideCursor();
}

void CStrandscopeDlg::setMinusStrand(bool minus)
{
    m_strandButton->setText(minus ? tr("Strand: minus") : tr("Strand: plus"));
    if (m_strandButton->isChecked() != minus)
        m_strandButton->setChecked(minus);
    m_model.SetMinusStrand(minus);
    refresh(m_model.Redraw());
}

void CStrandscopeDlg::updateLegend()
{
    const std::array<char, 4> letters = m_model.Legend(); // left, up, down, right
    for (std::size_t i = 0; i < m_legend.size(); ++i)
        m_legend[i]->setText(QString(QLatin1Char(letters[i])));
}

void CStrandscopeDlg::restoreWorkingDirectory()
{
    const std::string path = m_store.GetProfileString(lirovane::kProfileSection, "Path");
    if (path.empty())
        return;
    std::error_code ignored; // an unusable value leaves the working directory as it is
    std::filesystem::current_path(path, ignored);
}

void CStrandscopeDlg::load()
{
    // The chooser opens where the file on show lies.
    const QString shown = QFile::decodeName(m_model.ViewerPath().string().c_str());
    const auto file = m_pickers.OpenFileName(this, QStringLiteral("*.txt"), SequenceFileFilters(), shown);
    if (file) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_model.Load(ToPath(*file));
        refresh(true);
        QApplication::restoreOverrideCursor();
    }
    restoreWorkingDirectory();
}

void CStrandscopeDlg::redraw()
{
    refresh(whileDrawing([this] { return m_model.Redraw(); }));
}

void CStrandscopeDlg::next()
{
    refresh(whileDrawing([this] { return m_model.Next(); }));
}

void CStrandscopeDlg::previous()
{
    refresh(whileDrawing([this] { return m_model.Previous(); }));
}

void CStrandscopeDlg::zoomIn()
{
    refresh(whileDrawing([this] { return m_model.ZoomIn(); }));
}

void CStrandscopeDlg::zoomOut()
{
    refresh(whileDrawing([this] { return m_model.ZoomOut(); }));
}

void CStrandscopeDlg::zoomOutFurther()
{
    refresh(whileDrawing([this] { return m_model.ZoomOutFurther(); }));
}

void CStrandscopeDlg::zoomInCloser()
{
    refresh(whileDrawing([this] { return m_model.ZoomInCloser(); }));
}

void CStrandscopeDlg::fitRecord()
{
    refresh(whileDrawing([this] { return m_model.FitRecord(); }));
}

void CStrandscopeDlg::saveImage()
{
    QString filter;
    // The chooser opens where the last picture of this run was saved.
    static QString lastFolder;
    const auto file = m_pickers.SaveFileName(this, QStringLiteral("*.bmp"), PictureFileFilters(), &filter, lastFolder);
    // The picture never replaces the sequence file it shows.
    if (file && !m_model.ViewerPath().empty()) {
        const lirovane::IoStatus clash = lirovane::CheckOutputsAgainstInputs({m_model.ViewerPath()}, {ToPath(*file)});
        if (!clash) {
            m_pickers.ShowMessage(this, QString::fromStdString(clash.Message()));
            restoreWorkingDirectory();
            return;
        }
    }
    // Saving before returning to "Path", so a relative name means what the chooser meant.
    // The name is used as typed: the format comes from its extension or the filter.
    if (file) {
        const lirovane::IoStatus saved = m_model.SaveImage(ToPath(*file), PictureFormatChosen(*file, filter));
        if (saved)
            lastFolder = QFileInfo(*file).absolutePath();
        else
            m_pickers.ShowMessage(
                this, tr("Cannot save the picture as \"%1\".\n\n%2")
                          .arg(QDir::toNativeSeparators(*file), QString::fromStdString(saved.error().reason)));
    }
    restoreWorkingDirectory();
}

void CStrandscopeDlg::changeSettings()
{
    int orientation = m_model.Orientation();
    lirovane::SlotColors colors = m_model.Colors();
    runColorDialog(orientation, colors);
    m_model.ApplyColorSettings(orientation, colors);
    updateLegend();
    refresh(m_model.HasSequence());
}

void CStrandscopeDlg::runColorDialog(int& orientation, lirovane::SlotColors& colors)
{
    CViewerColorDlg dialog(m_pickers, this);
    dialog.m_nOrientation = orientation;
    SetSlotColors(dialog, colors);
    dialog.exec(); // its values count however it was closed
    orientation = dialog.m_nOrientation;
    colors = SlotColorsOf(dialog);
}

void CStrandscopeDlg::commitStartBox()
{
    m_model.SetStartIndexText(m_startEdit->text().toStdString());
}

void CStrandscopeDlg::fromKeyboard(void (CStrandscopeDlg::*command)())
{
    // A click takes the focus from the start box before acting; a key does the same.
    if (m_startEdit->hasFocus())
        commitStartBox();
    (this->*command)();
}

void CStrandscopeDlg::keyPressEvent(QKeyEvent* event)
{
    // The keys of the buttons, as their tooltips show.
    static const std::pair<int, void (CStrandscopeDlg::*)()> keys[] = {
        {Qt::Key_PageDown, &CStrandscopeDlg::next},
        {Qt::Key_PageUp, &CStrandscopeDlg::previous},
        {Qt::Key_Plus, &CStrandscopeDlg::zoomIn},
        {Qt::Key_Minus, &CStrandscopeDlg::zoomOut},
    };
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept(); // Enter closes the viewer whatever has the focus
        return;
    }
    for (const auto& [key, command] : keys) {
        if (event->key() == key) {
            fromKeyboard(command);
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

bool CStrandscopeDlg::eventFilter(QObject* watched, QEvent* event)
{
    // While a long walk draws, a click or a key stops it instead of starting another;
    // Esc still closes the viewer.
    const QEvent::Type type = event->type();
    if (m_drawing && (type == QEvent::MouseButtonPress || type == QEvent::KeyPress || type == QEvent::Shortcut)) {
        m_stopRequested = true;
        if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            reject();
        return true;
    }
    if (watched == m_goToEdit && event->type() == QEvent::KeyPress) {
        // Enter in the Go to box goes there instead of closing the viewer.
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            goTo();
            return true;
        }
    }
    if (watched == m_startEdit) {
        if (event->type() == QEvent::FocusOut) {
            commitStartBox();
        } else if (event->type() == QEvent::KeyPress) {
            // The box takes digits only, so + and - still zoom while it has the focus.
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Plus || key == Qt::Key_Minus) {
                keyPressEvent(static_cast<QKeyEvent*>(event));
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
