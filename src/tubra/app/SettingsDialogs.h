#pragma once
// The Qt dialogs of the settings forms. Each binds its widgets to the form by field name;
// the colour chooser and the file chooser are the system's own dialogs.

#include <array>
#include <functional>
#include <optional>

#include <QColor>
#include <QWidget>

#include "tubra/app/FormBinding.h"
#include "tubra/appcore/SettingsForms.h"

class QLabel;
class QListWidget;

namespace tubra::app {

// Registers the dialogs of every settings form with the form host.
void installSettingsDialogs();

// A colour swatch and line-style sample: widgets that paint through the canvas.
class StyleSample : public QWidget {
public:
    explicit StyleSample(QWidget* parent = nullptr);
    void setStyleIndex(int style);
    int styleIndex() const { return style_; }
    QSize sizeHint() const override { return {120, 18}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int style_ = 0;
};

// The preview square of a snap slider.
class SnapPreview : public QWidget {
public:
    explicit SnapPreview(QWidget* parent = nullptr);
    void setHalfSide(int halfSide);
    int halfSide() const { return halfSide_; }
    QSize sizeHint() const override { return {40, 40}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    int halfSide_ = 0;
};

class SnapDialog : public BoundFormDialog {
public:
    SnapDialog(SnapForm& form, platform::FormContext& context, QWidget* parent);
    SnapPreview* preview(int slider) const { return previews_[static_cast<std::size_t>(slider)]; }

private:
    std::array<SnapPreview*, 2> previews_{};
};

class PageSetupFormDialog : public BoundFormDialog {
public:
    PageSetupFormDialog(PageSetupForm& form, platform::FormContext& context,
                        QWidget* parent);
};

class ColourDialog : public BoundFormDialog {
public:
    ColourDialog(ColourForm& form, platform::FormContext& context, QWidget* parent);
    // The system colour chooser; tests put their own here.
    std::function<std::optional<QColor>(const QColor& initial, QWidget* parent)> chooseColour;
    // Opens the chooser for a row, as its "->" button does.
    void choose(int row);
    QLabel* swatch(int row) const { return swatches_[static_cast<std::size_t>(row)]; }

private:
    ColourForm& form_;
    std::array<QLabel*, ColourForm::kRows> swatches_{};
};

class LineWidthDialog : public BoundFormDialog {
public:
    LineWidthDialog(LineWidthForm& form, platform::FormContext& context, QWidget* parent);
};

class LineStyleDialog : public BoundFormDialog {
public:
    LineStyleDialog(LineStyleForm& form, platform::FormContext& context, QWidget* parent);
    QListWidget* library() const { return library_; }
    StyleSample* sample(int row) const { return samples_[static_cast<std::size_t>(row)]; }

private:
    QListWidget* library_ = nullptr;
    std::array<StyleSample*, LineStyleForm::kRows> samples_{};
};

class LayerDialog : public BoundFormDialog {
public:
    LayerDialog(LayerForm& form, platform::FormContext& context, QWidget* parent);
};

class DimensionTextDialog : public BoundFormDialog {
public:
    DimensionTextDialog(DimensionTextForm& form, platform::FormContext& context, QWidget* parent);
};

class ElbowTeeDialog : public BoundFormDialog {
public:
    ElbowTeeDialog(ElbowTeeForm& form, platform::FormContext& context, QWidget* parent);
};

class SpecialCharacterDialog : public BoundFormDialog {
public:
    SpecialCharacterDialog(SpecialCharacterForm& form, platform::FormContext& context,
                           QWidget* parent);
};

class CharacteristicTableDialog : public BoundFormDialog {
public:
    CharacteristicTableDialog(CharacteristicTableForm& form, platform::FormContext& context,
                              QWidget* parent);
    // The system file chooser; tests put their own here. Empty when cancelled.
    std::function<QString(QWidget* parent)> chooseFile;
    // Asks for a file and imports from it, as "↓从已有文件中引用↓" does.
    void importFromChosenFile();
};

class TitleBlockDialog : public BoundFormDialog {
public:
    TitleBlockDialog(TitleBlockForm& form, platform::FormContext& context, QWidget* parent);
};

}  // namespace tubra::app
