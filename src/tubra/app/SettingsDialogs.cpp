#include "tubra/app/SettingsDialogs.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "platform/qt/QtCanvas.h"
#include "tubra/appcore/Commands.h"

namespace tubra::app {

namespace {

using platform::FormContext;
using platform::qt::QtFormHost;

using platform::qt::toQColor;

// The main part above the buttons, and the buttons in a row at the bottom right.
void finishLayout(QDialog* dialog, QLayout* body, std::initializer_list<QWidget*> extraButtons,
                  QDialogButtonBox* okCancel) {
    auto* buttons = new QHBoxLayout;
    for (QWidget* b : extraButtons) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(okCancel);
    auto* layout = new QVBoxLayout(dialog);
    layout->addLayout(body);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace

void installSettingsDialogs() {
    QtFormHost::registerDialog<ColourForm, ColourDialog>();
    QtFormHost::registerDialog<LineWidthForm, LineWidthDialog>();
    QtFormHost::registerDialog<LineStyleForm, LineStyleDialog>();
    QtFormHost::registerDialog<LayerForm, LayerDialog>();
    QtFormHost::registerDialog<DimensionTextForm, DimensionTextDialog>();
    QtFormHost::registerDialog<ElbowTeeForm, ElbowTeeDialog>();
    QtFormHost::registerDialog<SpecialCharacterForm, SpecialCharacterDialog>();
    QtFormHost::registerDialog<CharacteristicTableForm, CharacteristicTableDialog>();
    QtFormHost::registerDialog<TitleBlockForm, TitleBlockDialog>();
    QtFormHost::registerDialog<SnapForm, SnapDialog>();
    QtFormHost::registerDialog<PageSetupForm, PageSetupFormDialog>();
}

// --- samples ---

StyleSample::StyleSample(QWidget* parent) : QWidget(parent) {
    setMinimumSize(100, 16);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void StyleSample::setStyleIndex(int style) {
    if (style == style_) return;
    style_ = style;
    setToolTip(style >= 0 && style < static_cast<int>(LineStyleForm::kStyleNames.size())
                   ? qstr(LineStyleForm::kStyleNames[static_cast<std::size_t>(style)])
                   : QString());
    update();
}

void StyleSample::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // One logical unit a pixel, so the sample's line is one pixel wide as the setting's pen is.
    platform::qt::QtCanvas::Options options;
    options.pixelsPerUnit = 1.0;
    options.deviceSize = {width(), height()};
    platform::qt::QtCanvas canvas(painter, options);
    paintLineStyleSample(canvas, {0, 0, width() - 1, -(height() - 1)}, style_);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

// --- snapping ---

SnapPreview::SnapPreview(QWidget* parent) : QWidget(parent) { setFixedSize(40, 40); }

void SnapPreview::setHalfSide(int halfSide) {
    if (halfSide == halfSide_) return;
    halfSide_ = halfSide;
    update();
}

void SnapPreview::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    platform::qt::QtCanvas::Options options;
    options.pixelsPerUnit = 1.0;
    options.deviceSize = {width(), height()};
    platform::qt::QtCanvas canvas(painter, options);
    paintSnapPreview(canvas, {0, 0, width() - 1, -(height() - 1)}, halfSide_);
}

SnapDialog::SnapDialog(SnapForm& form, FormContext& context, QWidget* parent)
    : BoundFormDialog(form, form, context, parent) {
    auto* grid = new QGridLayout;
    const std::pair<std::string_view, std::string_view> rows[] = {
        {SnapForm::kDistanceLabel, "distance"}, {SnapForm::kMarkerLabel, "markerSize"}};
    int r = 0;
    for (const auto& [text, name] : rows) {
        QSlider* s = slider(name);
        s->setMinimumWidth(160);
        auto* echo = new QLineEdit(this);
        echo->setReadOnly(true);
        echo->setFixedWidth(36);
        echo->setObjectName(qstr(name) + QStringLiteral("Echo"));
        auto* preview = new SnapPreview(this);
        preview->setObjectName(qstr(name) + QStringLiteral("Preview"));
        previews_[static_cast<std::size_t>(r)] = preview;
        const auto show = [echo, preview](int v) {
            echo->setText(QString::fromStdString(SnapForm::echo(v)));
            preview->setHalfSide(v);
        };
        show(s->value());
        connect(s, &QSlider::valueChanged, this, show);
        grid->addWidget(label(text), r, 0);
        grid->addWidget(s, r, 1);
        grid->addWidget(echo, r, 2);
        grid->addWidget(preview, r, 3);
        ++r;
    }
    const char* modes[] = {"snapEnd", "snapMid", "snapAny", "snapWeld"};
    auto* modeBox = new QGridLayout;
    for (int i = 0; i < 4; ++i)
        modeBox->addWidget(checkBox(modes[i], SnapForm::kModeLabels[static_cast<std::size_t>(i)]), i / 2, i % 2);
    grid->addLayout(modeBox, r, 0, 1, 4);
    finishLayout(this, grid, {}, okCancelButtons());
}

// --- page setup ---

PageSetupFormDialog::PageSetupFormDialog(PageSetupForm& form, FormContext& context,
                                         QWidget* parent)
    : BoundFormDialog(form, form, context, parent) {
    auto* grid = new QGridLayout;
    grid->addWidget(label(PageSetupForm::kPageLabel), 0, 0);
    grid->addWidget(comboBox("pageSize"), 0, 1);
    QCheckBox* axes = checkBox("showAxes", PageSetupForm::kShowAxes);
    grid->addWidget(axes, 1, 0, 1, 2);
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(label(PageSetupForm::kLabelCaptions[static_cast<std::size_t>(i)]), 2 + i, 0);
        grid->addWidget(lineEdit(PageSetupForm::kLabelFields[static_cast<std::size_t>(i)]), 2 + i, 1);
    }
    // The labels follow the switch at once.
    connect(axes, &QCheckBox::toggled, this, [this] {
        storeWidgets();
        loadWidgets();
    });
    finishLayout(this, grid, {}, okCancelButtons());
}

// --- colours ---

ColourDialog::ColourDialog(ColourForm& form, FormContext& context, QWidget* parent)
    : BoundFormDialog(form, form, context, parent), form_(form) {
    chooseColour = [](const QColor& initial, QWidget* p) -> std::optional<QColor> {
        const QColor c = QColorDialog::getColor(initial, p);
        if (!c.isValid()) return std::nullopt;
        return c;
    };
    auto* grid = new QGridLayout;
    for (int i = 0; i < ColourForm::kRows; ++i) {
        const auto& row = ColourForm::rows()[static_cast<std::size_t>(i)];
        auto* sw = new QLabel(this);
        sw->setMinimumSize(90, 20);
        sw->setFrameShape(QFrame::Box);
        sw->setAutoFillBackground(true);
        swatches_[static_cast<std::size_t>(i)] = sw;
        // The swatch is the colour field's widget: it shows the colour the form holds.
        bind(row.key, sw, [sw] { return sw->toolTip().toStdString(); },
             [sw](const std::string& rgb) {
                 model::Colour c = 0;
                 ColourForm::parseColour(rgb, c);
                 QPalette p = sw->palette();
                 p.setColor(QPalette::Window, toQColor(c));
                 sw->setPalette(p);
                 sw->setToolTip(QString::fromStdString(rgb));
             });
        auto* chooser = new QPushButton(qstr(ColourForm::kChooseButton), this);
        chooser->setAutoDefault(false);
        chooser->setFixedWidth(36);
        chooser->setObjectName(QStringLiteral("choose%1").arg(qstr(row.key)));
        connect(chooser, &QPushButton::clicked, this, [this, i] { choose(i); });
        grid->addWidget(label(row.label), i, 0);
        grid->addWidget(sw, i, 1);
        grid->addWidget(chooser, i, 2);
    }
    grid->addWidget(checkBox("PrintIsNoColor", ColourForm::kPrintBlackAndWhite), ColourForm::kRows, 0, 1, 3);
    finishLayout(this, grid,
                 {actionButton(ColourForm::kRestoreDefaults, "defaults"),
                  actionButton(ColourForm::kAllBlack, "allBlack")},
                 okCancelButtons());
}

void ColourDialog::choose(int row) {
    if (!chooseColour) return;
    const auto chosen = chooseColour(toQColor(form_.colour(row)), this);
    if (!chosen) return;
    storeWidgets();
    form_.setColour(row, model::rgb(chosen->red(), chosen->green(), chosen->blue()));
    loadWidgets();
}

// --- line widths ---

LineWidthDialog::LineWidthDialog(LineWidthForm& form, FormContext& context, QWidget* parent)
    : BoundFormDialog(form, form, context, parent) {
    auto* grid = new QGridLayout;
    for (int i = 0; i < LineWidthForm::kRows; ++i) {
        const auto& row = LineWidthForm::rows()[static_cast<std::size_t>(i)];
        grid->addWidget(label(row.label), i, 0);
        QComboBox* box = comboBox(row.key);
        box->setMinimumWidth(90);
        grid->addWidget(box, i, 1);
    }
    finishLayout(this, grid, {}, okCancelButtons());
}

// --- line styles ---

LineStyleDialog::LineStyleDialog(LineStyleForm& form, FormContext& context, QWidget* parent)
    : BoundFormDialog(form, form, context, parent) {
    library_ = new QListWidget(this);
    library_->setObjectName(QStringLiteral("library"));
    for (std::string_view name : LineStyleForm::kStyleNames) library_->addItem(qstr(name));
    library_->setFixedWidth(110);
    library_->setMinimumHeight(120);
    connect(library_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        perform("pick=" + item->text().toStdString());
    });

    auto* rowsGrid = new QGridLayout;
    for (int i = 0; i < LineStyleForm::kRows; ++i) {
        const auto& row = LineStyleForm::rows()[static_cast<std::size_t>(i)];
        rowsGrid->addWidget(checkBox(row.checkName, row.label), i, 0);
        auto* sample = new StyleSample(this);
        samples_[static_cast<std::size_t>(i)] = sample;
        // The sample is the style field's widget: it shows the style the form holds.
        bind(row.key, sample,
             [sample] {
                 const int s = sample->styleIndex();
                 return s >= 0 && s < static_cast<int>(LineStyleForm::kStyleNames.size())
                            ? std::string(LineStyleForm::kStyleNames[static_cast<std::size_t>(s)])
                            : std::string();
             },
             [sample](const std::string& name) {
                 int s = -1;
                 for (std::size_t k = 0; k < LineStyleForm::kStyleNames.size(); ++k)
                     if (LineStyleForm::kStyleNames[k] == name) s = static_cast<int>(k);
                 sample->setStyleIndex(s);
             });
        rowsGrid->addWidget(sample, i, 1);
    }
    auto* left = new QVBoxLayout;
    left->addWidget(label(LineStyleForm::kLibraryLabel));
    left->addWidget(library_);
    auto* body = new QHBoxLayout;
    body->addLayout(left);
    body->addLayout(rowsGrid);
    finishLayout(this, body, {}, okCancelButtons());
}

// --- layers ---

LayerDialog::LayerDialog(LayerForm& form, FormContext& context, QWidget* parent)
    : BoundFormDialog(form, form, context, parent) {
    auto* grid = new QGridLayout;
    for (int i = 0; i < LayerForm::kRows; ++i) {
        const auto& row = LayerForm::rows()[static_cast<std::size_t>(i)];
        grid->addWidget(checkBox(row.key, row.label), i / 2, i % 2);
    }
    finishLayout(this, grid, {}, okCancelButtons());
}

// --- dimension text ---

DimensionTextDialog::DimensionTextDialog(DimensionTextForm& form, FormContext& context, QWidget* parent)
    : BoundFormDialog(form, form, context, parent) {
    auto* grid = new QGridLayout;
    const std::pair<std::string_view, std::string_view> rows[] = {
        {DimensionTextForm::kHighLabel, "Dim_High"}, {DimensionTextForm::kSizeLabel, "Dim_Size"}};
    int r = 0;
    for (const auto& [text, name] : rows) {
        QSlider* s = slider(name);
        s->setMinimumWidth(200);
        auto* echo = new QLineEdit(this);
        echo->setReadOnly(true);
        echo->setFixedWidth(44);
        echo->setObjectName(qstr(name) + QStringLiteral("Echo"));
        echo->setText(QString::fromStdString(DimensionTextForm::echo(s->value())));
        connect(s, &QSlider::valueChanged, echo,
                [echo](int v) { echo->setText(QString::fromStdString(DimensionTextForm::echo(v))); });
        grid->addWidget(label(text), r, 0);
        grid->addWidget(s, r, 1);
        grid->addWidget(echo, r, 2);
        ++r;
    }
    grid->addWidget(checkBox("autoElevation", DimensionTextForm::kAutoElevation), r, 0, 1, 3);
    finishLayout(this, grid, {}, okCancelButtons());
}

// --- elbow and tee ---

ElbowTeeDialog::ElbowTeeDialog(ElbowTeeForm& form, FormContext& context, QWidget* parent)
    : BoundFormDialog(form, form, context, parent) {
    auto* grid = new QGridLayout;
    for (int i = 0; i < 3; ++i) {
        const auto& row = ElbowTeeForm::rows()[static_cast<std::size_t>(i)];
        grid->addWidget(label(row.label), i, 0);
        grid->addWidget(lineEdit(row.key), i, 1);
        grid->addWidget(label(ElbowTeeForm::kUnit), i, 2);
    }
    finishLayout(this, grid, {}, okCancelButtons());
}

// --- special characters ---

SpecialCharacterDialog::SpecialCharacterDialog(SpecialCharacterForm& form, FormContext& context,
                                               QWidget* parent)
    : BoundFormDialog(form, form, context, parent) {
    auto* body = new QHBoxLayout;
    QComboBox* box = comboBox("char");
    box->setMinimumWidth(80);
    body->addWidget(box);
    finishLayout(this, body, {}, okCancelButtons());
}

// --- characteristic table ---

CharacteristicTableDialog::CharacteristicTableDialog(CharacteristicTableForm& form,
                                                     FormContext& context, QWidget* parent)
    : BoundFormDialog(form, form, context, parent) {
    chooseFile = [](QWidget* p) {
        return QFileDialog::getOpenFileName(p, QStringLiteral("打开"), QDir::currentPath(),
                                            qstr(kFileFilter));
    };
    auto* importButton = new QPushButton(qstr(CharacteristicTableForm::kImportButton), this);
    importButton->setAutoDefault(false);
    importButton->setObjectName(QStringLiteral("import"));
    connect(importButton, &QPushButton::clicked, this, [this] { importFromChosenFile(); });

    auto* grid = new QGridLayout;
    int line = 0;
    grid->addWidget(importButton, line++, 0, 1, 3, Qt::AlignHCenter);
    for (int i = 0; i < CharacteristicTableForm::kRows; ++i) {
        if (i == CharacteristicTableForm::kFirstCountRow)
            grid->addWidget(actionButton(CharacteristicTableForm::kAutoCountButton, "autoCount"),
                            line++, 0, 1, 3, Qt::AlignHCenter);
        const std::string name = CharacteristicTableForm::rowName(i);
        grid->addWidget(label(CharacteristicTableForm::labels()[static_cast<std::size_t>(i)]), line, 0,
                        Qt::AlignRight);
        if (i == CharacteristicTableForm::kClassRow) {
            grid->addWidget(comboBox(name), line, 1);
        } else if (i == CharacteristicTableForm::kSizeRow) {
            QLineEdit* edit = lineEdit(name);
            edit->setMinimumWidth(300);
            grid->addWidget(edit, line, 1);
            QPushButton* special = actionButton(CharacteristicTableForm::kSpecialButton, "special");
            special->setFixedWidth(36);
            grid->addWidget(special, line, 2);
        } else {
            QLineEdit* edit = lineEdit(name);
            edit->setMinimumWidth(300);
            grid->addWidget(edit, line, 1);
        }
        ++line;
    }
    finishLayout(this, grid, {}, okCancelButtons());
}

void CharacteristicTableDialog::importFromChosenFile() {
    if (!chooseFile) return;
    const QString file = chooseFile(this);
    if (file.isEmpty()) return;
    perform("import=" + file.toStdString());
}

// --- title block ---

TitleBlockDialog::TitleBlockDialog(TitleBlockForm& form, FormContext& context, QWidget* parent)
    : BoundFormDialog(form, form, context, parent) {
    const auto& rows = TitleBlockForm::rows();
    auto box = [this](int row) {
        QLineEdit* e = lineEdit(TitleBlockForm::rowName(row));
        e->setMinimumWidth(160);
        return e;
    };
    auto* grid = new QGridLayout;
    // Name on its own line; drawn by and checked by each with their date; then the numbers.
    grid->addWidget(label(rows[0].label), 0, 0, Qt::AlignRight);
    grid->addWidget(box(0), 0, 1, 1, 3);
    grid->addWidget(label(rows[1].label), 1, 0, Qt::AlignRight);
    grid->addWidget(box(1), 1, 1);
    grid->addWidget(label(rows[2].label), 1, 2, Qt::AlignRight);
    grid->addWidget(box(2), 1, 3);
    grid->addWidget(label(rows[3].label), 2, 0, Qt::AlignRight);
    grid->addWidget(box(3), 2, 1);
    grid->addWidget(label(rows[4].label), 2, 2, Qt::AlignRight);
    grid->addWidget(box(4), 2, 3);
    grid->addWidget(label(rows[5].label), 3, 0, Qt::AlignRight);
    grid->addWidget(box(5), 3, 1);
    grid->addWidget(label(rows[6].label), 3, 2, Qt::AlignRight);
    grid->addWidget(box(6), 3, 3);
    finishLayout(this, grid, {}, okCancelButtons());
}

}  // namespace tubra::app
