#pragma once

#include "core/render/color.h"
#include "core/viewer/strandscope_model.h"
#include "ui/viewer/stretch_marks.h"

#include <QDialog>

#include <array>
#include <optional>
#include <vector>

class DialogUnits;
class PickerServices;
class PictureArea;
class PictureButton;
class QLabel;
class QLineEdit;
class QPushButton;
namespace lirovane {
class ProfileStore;
}

// The Strandscope viewer: a sequence file drawn as a path in a 650 x 380 picture, one
// stretch at a time, with Next, Previous, a typed start, zoom, its own orientation and
// colours, and Save image. Everything it knows lives in its model and is forgotten when
// it closes; it reads only "Path" from the store, to return there after a file chooser.
class CStrandscopeDlg : public QDialog {
    Q_OBJECT

public:
    CStrandscopeDlg(PickerServices& pickers, lirovane::ProfileStore& store, QWidget* parent = nullptr);

    const lirovane::StrandscopeModel& model() const { return m_model; }
    // Top-left corner of the picture area (control 1011) in dialog pixels.
    QPoint pictureOrigin() const;

    // The button commands.
    void load();
    void redraw();
    void next();
    void previous();
    void zoomIn();
    void zoomOut();
    // Levels below zoom 1 (2, 4, 8, ... steps per pixel) and the whole record at once.
    void zoomOutFurther();
    void zoomInCloser();
    void fitRecord();
    void saveImage();
    void changeSettings();
    // Draws from the place the Go to box names: name:pos, name:pos-end, name or a start index.
    void goTo();
    // Opens `file` at `startIndex` (Show in Strandscope), on the minus strand when asked.
    void loadAt(const QString& file, qint64 startIndex, bool minusStrand = false);
    // The Strand toggle: every window drawn from the plus or the minus strand.
    void setMinusStrand(bool minus);
    // Takes these orientation and colours as the colour dialog would (before a load:
    // nothing is drawn).
    void setLook(int orientation, const lirovane::SlotColors& colors);
    // Marks a stretch of `steps` letters from `startIndex` while the picture starts there;
    // nothing for `steps` marks its first step only.
    void markStretch(qint64 startIndex, std::optional<qint64> steps);
    // The marks over the picture, first step then last.
    const std::vector<MarkPoint>& marks() const;
    // The line under the picture: file, zoom and where the picture lies, or a message.
    QString statusText() const;

protected:
    // Runs the colour dialog on the given values and leaves its choices in them.
    virtual void runColorDialog(int& orientation, lirovane::SlotColors& colors);

    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PictureButton* addButton(const char* caption, const char* name, const QString& tip,
                             void (CStrandscopeDlg::*command)());
    void createIndexBoxes();
    void createGoToRow();
    void createLevelButtons();
    // Runs a command that may walk a long way at a level: the window keeps painting, the
    // picture on show stays until the new one is ready, and Stop, any click or key
    // (Esc closes the viewer) stops the walk.
    template <typename Command> bool whileDrawing(Command command);
    void createLegend();
    void layoutControls();
    QRect placePicture(const DialogUnits& du);
    void placeButtonsAndBoxes(const DialogUnits& du, int shift);
    void placeCaptions(const DialogUnits& du, int shift);
    void placeGoToRow(const DialogUnits& du, const QRect& pic);
    void refresh(bool drew);
    void updateLegend();
    void restoreWorkingDirectory();
    void commitStartBox();
    void fromKeyboard(void (CStrandscopeDlg::*command)());
    void updateStatus();
    void fitStatusLine();
    void fitSize();
    void updateMarks();
    void showMessage(const QString& text);

    PickerServices& m_pickers;
    lirovane::ProfileStore& m_store;
    lirovane::StrandscopeModel m_model;

    PictureArea* m_area = nullptr;
    QLineEdit* m_startEdit = nullptr;
    QLineEdit* m_endEdit = nullptr;
    std::array<QLabel*, 4> m_legend{}; // left, above, below, right
    QLineEdit* m_goToEdit = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_strandButton = nullptr;
    QString m_message;            // shown instead of the coordinates until the next drawing
    bool m_gzipHintShown = false; // the bgzip hint is given once
    QPushButton* m_stopButton = nullptr;
    std::vector<QPushButton*> m_levelButtons; // zoom out further, zoom in closer, fit record
    bool m_drawing = false;
    bool m_stopRequested = false;
    qint64 m_markStart = -1; // the marked stretch's start index; -1 for none
    std::optional<qint64> m_markSteps;
};
