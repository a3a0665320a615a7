#include "ui/settings/settings_dlg.h"

#include "core/files/input_file.h"
#include "core/intervals/integer_text.h"
#include "core/intervals/patterns.h"
#include "ui/app/color_swatch.h"
#include "ui/app/dialog_look.h"
#include "ui/app/dialog_units.h"
#include "ui/app/picker_services.h"

#include <QEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <limits>

namespace {

// Names a control and puts it at its place in dialog units.
template <typename W> W* Place(W* widget, const DialogUnits& du, const char* name, int x, int y, int w, int h)
{
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(du.rect(x, y, w, h));
    return widget;
}

QString Latin(std::string_view text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

static bool CanOpenForReading(const QString& path)
{
    return lirovane::CheckReadableFile(QFile::encodeName(path).toStdString()).ok();
}

QString CSettingsDlg::NotIntegerMessage()
{
    return QStringLiteral("Please enter an integer.");
}

QString CSettingsDlg::OutOfRangeMessage()
{
    return QStringLiteral("Please enter an integer between 1 and 200.");
}

CSettingsDlg::CSettingsDlg(PickerServices& pickers, QWidget* parent) : QDialog(parent), m_pickers(pickers)
{
    setObjectName(QStringLiteral("settingsDialog"));
    setWindowTitle(QStringLiteral("Morkelby Settings..."));
    ApplyDialogLook(*this);

    const DialogUnits du(font());
    setFixedSize(du.size(343, 238));

    // Created in template order, which is also the tab order.
    m_ok = Place(new QPushButton(QStringLiteral("OK"), this), du, "okButton", 136, 209, 50, 14);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &CSettingsDlg::OnOK);
    createOrientationAndColors(du);
    createFileControls(du);
}

// Radio buttons and colour buttons take the focus by Tab, as every other control does.
void CSettingsDlg::createOrientationAndColors(const DialogUnits& du)
{
    Place(new QGroupBox(QStringLiteral("Letter orientation"), this), du, "orientationGroup", 17, 19, 132, 61);
    m_orientation[0] = Place(new QRadioButton(QStringLiteral("A cancels T and C cancels G"), this), du, "orientation1",
                             23, 33, 110, 11);
    m_orientation[1] = Place(new QRadioButton(QStringLiteral("A cancels C and G cancels T"), this), du, "orientation2",
                             24, 47, 113, 11);
    m_orientation[2] = Place(new QRadioButton(QStringLiteral("A cancels G and C cancels T"), this), du, "orientation3",
                             24, 61, 111, 11);
    Place(new QGroupBox(QStringLiteral("Click buttons to change color"), this), du, "colorGroup", 169, 18, 151, 73);
    QPushButton* colorButtons[4] = {
        Place(new QPushButton(QStringLiteral("As"), this), du, "colorButtonA", 187, 60, 21, 16),
        Place(new QPushButton(QStringLiteral("Cs"), this), du, "colorButtonC", 217, 60, 21, 16),
        Place(new QPushButton(QStringLiteral("Gs"), this), du, "colorButtonG", 251, 60, 21, 16),
        Place(new QPushButton(QStringLiteral("Ts"), this), du, "colorButtonT", 281, 60, 21, 16),
    };
    // The swatch controls are small in the template; each shows a 30 x 30 square from its
    // top-left corner.
    m_swatch[1] = Place(new ColorSwatch(this), du, "swatchC", 217, 31, 9, 8);
    m_swatch[0] = Place(new ColorSwatch(this), du, "swatchA", 187, 31, 9, 8);
    m_swatch[2] = Place(new ColorSwatch(this), du, "swatchG", 251, 31, 10, 8);
    m_swatch[3] = Place(new ColorSwatch(this), du, "swatchT", 283, 31, 8, 8);
    for (ColorSwatch* swatch : m_swatch)
        swatch->resize(30, 30);
    for (int i = 0; i < 3; ++i)
        connect(m_orientation[i], &QRadioButton::clicked, this, [this, i] { m_nOrientation = i + 1; });
    for (int i = 0; i < 4; ++i)
        connect(colorButtons[i], &QPushButton::clicked, this, [this, i] { OnColor(i); });
}

// The two files with their Browse buttons, and the repeat size.
void CSettingsDlg::createFileControls(const DialogUnits& du)
{
    auto* browseSequence =
        Place(new QPushButton(QStringLiteral("Browse..."), this), du, "browseSequence", 218, 116, 87, 15);
    auto* browsePatterns =
        Place(new QPushButton(QStringLiteral("Browse..."), this), du, "browsePatterns", 220, 153, 87, 15);
    m_sequenceEdit = Place(new QLineEdit(this), du, "sequenceEdit", 34, 119, 173, 12);
    m_patternsEdit = Place(new QLineEdit(this), du, "patternsEdit", 34, 155, 173, 12);
    auto* sequenceLabel =
        Place(new QLabel(QStringLiteral("Locate a file in FASTA format"), this), du, "sequenceLabel", 35, 107, 156, 8);
    auto* patternsLabel =
        Place(new QLabel(QStringLiteral("Locate a file with found patterns. Format: <Start Index> <End Index> <Size>."),
                         this),
              du, "patternsLabel", 35, 143, 252, 10);
    m_sizeEdit = Place(new QLineEdit(this), du, "sizeEdit", 89, 179, 38, 13);
    auto* sizeLabel = Place(new QLabel(QStringLiteral("Repeats size:"), this), du, "sizeLabel", 37, 182, 51, 9);
    for (QLabel* label : {sequenceLabel, patternsLabel, sizeLabel}) {
        label->setTextFormat(Qt::PlainText);
        // The desktop font is wider than the template's: a label keeps its place and
        // grows to show its whole text.
        label->resize(std::max(label->width(), label->sizeHint().width()), label->height());
    }
    sequenceLabel->setBuddy(m_sequenceEdit);
    patternsLabel->setBuddy(m_patternsEdit);
    sizeLabel->setBuddy(m_sizeEdit);
    m_sizeEdit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_sizeEdit));
    m_sizeEdit->installEventFilter(this);
    connect(browseSequence, &QPushButton::clicked, this,
            [this] { OnBrowse(m_strSequenceFile, *m_sequenceEdit, SequenceFileFilters()); });
    connect(browsePatterns, &QPushButton::clicked, this,
            [this] { OnBrowse(m_strPatternsFile, *m_patternsEdit, PatternsFileFilters()); });
}

void CSettingsDlg::showEvent(QShowEvent* event)
{
    if (!m_initialised) {
        m_initialised = true;
        Refresh();
        SelectOrientation();
        const lirovane::Color colors[4] = {m_clrA, m_clrC, m_clrG, m_clrT};
        for (int i = 0; i < 4; ++i)
            m_swatch[i]->setColor(colors[i]);
    }
    QDialog::showEvent(event);
}

void CSettingsDlg::SelectOrientation()
{
    // Any value but 1, 2, 3 selects nothing and keeps the value.
    for (QRadioButton* button : m_orientation)
        button->setAutoExclusive(false);
    for (int i = 0; i < 3; ++i)
        m_orientation[i]->setChecked(m_nOrientation == i + 1);
    for (QRadioButton* button : m_orientation)
        button->setAutoExclusive(true);
}

void CSettingsDlg::Refresh()
{
    m_patternsEdit->setText(m_strPatternsFile);
    m_sequenceEdit->setText(m_strSequenceFile);
    m_sizeEdit->setText(QString::number(m_nRepeatSize));
}

bool CSettingsDlg::TakeValues()
{
    m_strPatternsFile = m_patternsEdit->text();
    m_strSequenceFile = m_sequenceEdit->text();
    const QString text = m_sizeEdit->text().trimmed();
    bool ok = false;
    const qlonglong size = text.toLongLong(&ok);
    if (!ok) {
        SizeError(NotIntegerMessage());
        return false;
    }
    if (size < 1 || size > 200) {
        SizeError(OutOfRangeMessage());
        return false;
    }
    m_nRepeatSize = static_cast<int>(size);
    return true;
}

void CSettingsDlg::SizeError(const QString& message)
{
    m_pickers.ShowMessage(this, message);
    m_sizeEdit->setFocus(Qt::OtherFocusReason);
    m_sizeEdit->selectAll();
}

void CSettingsDlg::OnOK()
{
    // Both tests always run; they check the values, not text typed since.
    const bool patternsOk = CanOpenForReading(m_strPatternsFile);
    if (!patternsOk)
        m_pickers.ShowMessage(this, Latin(lirovane::kInvalidPatternsMessage));
    const bool sequenceOk = CanOpenForReading(m_strSequenceFile);
    if (!sequenceOk)
        m_pickers.ShowMessage(this, Latin(lirovane::kInvalidSequenceMessage));
    if (patternsOk && sequenceOk && TakeValues())
        accept();
}

void CSettingsDlg::OnColor(int slot)
{
    lirovane::Color* values[4] = {&m_clrA, &m_clrC, &m_clrG, &m_clrT};
    // A cancelled picker keeps the colour the slot had.
    if (const auto picked = m_pickers.PickColor(this, *values[slot]))
        *values[slot] = *picked;
    m_swatch[slot]->setColor(*values[slot]);
    m_swatch[slot]->repaint(); // drawn at once, not at the next turn of the event loop
}

void CSettingsDlg::OnBrowse(QString& value, const QLineEdit& box, const QStringList& filters)
{
    // The chooser opens where the file named in the box lies.
    if (const auto chosen = m_pickers.OpenFileName(this, QStringLiteral("*.txt"), filters, box.text()))
        value = *chosen;
    Refresh();
}

void CSettingsDlg::OnSizeFocusLost()
{
    m_nRepeatSize = lirovane::LeadingInteger(m_sizeEdit->text().toStdString());
    Refresh();
}

bool CSettingsDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_sizeEdit && event->type() == QEvent::FocusOut && m_initialised)
        OnSizeFocusLost();
    return QDialog::eventFilter(watched, event);
}
