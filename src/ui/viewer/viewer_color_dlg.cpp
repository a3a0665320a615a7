#include "ui/viewer/viewer_color_dlg.h"

#include "ui/app/color_swatch.h"
#include "ui/app/dialog_look.h"
#include "ui/app/dialog_units.h"
#include "ui/app/picker_services.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace {

// Template positions in dialog units: OK, radios, colour buttons and swatches.
struct Placed {
    int id;
    const char* text;
    int x, y, w, h;
};

constexpr Placed kRadios[] = {
    {1017, "A cancels T and C cancels G", 23, 33, 110, 11},
    {1018, "A cancels C and G cancels T", 24, 47, 113, 11},
    {1019, "A cancels G and C cancels T", 24, 61, 111, 11},
};
// In slot order Left, Up, Down, Right, with the swatch each button paints.
constexpr Placed kColorButtons[] = {
    {1020, "As", 35, 131, 21, 16},
    {1021, "Cs", 65, 131, 21, 16},
    {1022, "Gs", 99, 131, 21, 16},
    {1023, "Ts", 130, 131, 21, 16},
};
constexpr Placed kSwatches[] = {
    {1025, "", 35, 102, 9, 8},
    {1024, "", 65, 102, 9, 8},
    {1026, "", 99, 102, 10, 8},
    {1027, "", 131, 102, 8, 8},
};

QRect Fit(const DialogUnits& du, const Placed& p, QSize hint)
{
    QRect r = du.rect(p.x, p.y, p.w, p.h);
    r.setWidth(std::max(r.width(), hint.width()));
    r.setHeight(std::max(r.height(), hint.height()));
    return r;
}

} // namespace

CViewerColorDlg::CViewerColorDlg(PickerServices& pickers, QWidget* parent) : QDialog(parent), m_pickers(pickers)
{
    setObjectName(QStringLiteral("viewerColorDialog"));
    setWindowTitle(QStringLiteral("Change settings"));
    ApplyDialogLook(*this);
    const DialogUnits du(font());

    // Created in tab order: OK first, so it takes the focus.
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    ok->setGeometry(Fit(du, {3, "OK", 61, 177, 50, 14}, ok->sizeHint()));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();

    QGroupBox* orientationBox = createOrientationGroup(du);
    QGroupBox* colorBox = createColorGroup(du);
    colorBox->lower();
    orientationBox->lower();
    fitToFont(du, ok, colorBox);
}

QGroupBox* CViewerColorDlg::createOrientationGroup(const DialogUnits& du)
{
    auto* orientationBox = new QGroupBox(QStringLiteral("Letter orientation"), this);
    orientationBox->setGeometry(du.rect(17, 19, 132, 61));
    auto* group = m_group = new QButtonGroup(this);
    int right = orientationBox->geometry().right();
    for (int i = 0; i < 3; ++i) {
        auto* radio = new QRadioButton(QString::fromLatin1(kRadios[i].text), this);
        radio->setObjectName(QStringLiteral("radio%1").arg(kRadios[i].id));
        radio->setGeometry(Fit(du, kRadios[i], radio->sizeHint()));
        right = std::max(right, radio->geometry().right() + du.x(6));
        group->addButton(radio, i + 1);
        m_radios[static_cast<std::size_t>(i)] = radio;
    }
    // The box grows with its texts if the font needs it.
    orientationBox->resize(right - orientationBox->x() + 1, orientationBox->height());
    connect(group, &QButtonGroup::idClicked, this, [this](int id) { m_nOrientation = id; });
    return orientationBox;
}

QGroupBox* CViewerColorDlg::createColorGroup(const DialogUnits& du)
{
    auto* colorBox = new QGroupBox(QStringLiteral("Click buttons to change color"), this);
    colorBox->setGeometry(du.rect(18, 89, 151, 73));
    for (int slot = 0; slot < 4; ++slot) {
        const auto s = static_cast<std::size_t>(slot);
        auto* button = new QPushButton(QString::fromLatin1(kColorButtons[s].text), this);
        button->setObjectName(QStringLiteral("colorButton%1").arg(kColorButtons[s].id));
        button->setAutoDefault(false);
        const QRect r = du.rect(kColorButtons[s].x, kColorButtons[s].y, kColorButtons[s].w, kColorButtons[s].h);
        button->setGeometry(r.x(), r.y(), std::max(r.width(), 30), std::max(r.height(), button->sizeHint().height()));
        connect(button, &QPushButton::clicked, this, [this, slot] { pickColor(slot); });

        auto* swatch = new ColorSwatch(this);
        swatch->setObjectName(QStringLiteral("swatch%1").arg(kSwatches[s].id));
        swatch->move(du.x(kSwatches[s].x), du.y(kSwatches[s].y));
        m_swatches[s] = swatch;
    }
    return colorBox;
}

// The colour box must hold the swatches and buttons, and the dialog every control,
// whatever the font.
void CViewerColorDlg::fitToFont(const DialogUnits& du, QPushButton* ok, QGroupBox* colorBox)
{
    int bottom = colorBox->geometry().bottom();
    for (auto* child : findChildren<QPushButton*>())
        if (child != ok)
            bottom = std::max(bottom, child->geometry().bottom() + du.y(6));
    colorBox->resize(std::max(colorBox->width(), m_swatches[3]->geometry().right() + du.x(10) - colorBox->x()),
                     bottom - colorBox->y() + 1);
    if (ok->y() < colorBox->geometry().bottom() + du.y(8))
        ok->move(ok->x(), colorBox->geometry().bottom() + du.y(8));

    QSize size = du.size(184, 214);
    for (auto* child : findChildren<QWidget*>()) {
        size.setWidth(std::max(size.width(), child->geometry().right() + du.x(12)));
        size.setHeight(std::max(size.height(), child->geometry().bottom() + du.y(12)));
    }
    setFixedSize(size);
}

void CViewerColorDlg::showEvent(QShowEvent* event)
{
    // The values are set after construction, so the controls follow them here.
    // Any other orientation selects no radio, which an exclusive group cannot show.
    m_group->setExclusive(false);
    for (int i = 0; i < 3; ++i)
        m_radios[static_cast<std::size_t>(i)]->setChecked(m_nOrientation == i + 1);
    m_group->setExclusive(true);
    for (int slot = 0; slot < 4; ++slot)
        m_swatches[static_cast<std::size_t>(slot)]->setColor(slotColor(slot));
    QDialog::showEvent(event);
}

lirovane::Color& CViewerColorDlg::slotColor(int slot)
{
    switch (slot) {
    case 0: return m_clrA;
    case 1: return m_clrC;
    case 2: return m_clrG;
    default: return m_clrT;
    }
}

void CViewerColorDlg::pickColor(int slot)
{
    lirovane::Color& value = slotColor(slot);
    // A cancelled picker keeps the colour, as in the settings dialog.
    if (const auto chosen = m_pickers.PickColor(this, value))
        value = *chosen;
    m_swatches[static_cast<std::size_t>(slot)]->setColor(value);
}
