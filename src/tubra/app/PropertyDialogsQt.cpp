#include "tubra/app/PropertyDialogsQt.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace tubra::app {

using platform::FormContext;
using platform::qt::QtFormHost;

// Lays a property dialog out: what the object is on the left (name, directions, points), what
// can be changed on the right, the buttons below.
class PropertyLayout {
public:
    explicit PropertyLayout(BoundFormDialog& dialog) : d_(dialog) {
        shown_ = new QGridLayout;
        edited_ = new QGridLayout;
    }
    // A shown value with its label.
    void shown(std::string_view label, QWidget* box) {
        box->setMaximumWidth(160);
        add(shown_, shownRow_, label, box);
    }
    // A point: its label, then X=, Y= and 高 with their boxes.
    void point(std::string_view label, QWidget* x, QWidget* y, QWidget* z) {
        auto* line = new QHBoxLayout;
        const std::pair<const char*, QWidget*> parts[] = {{"X=", x}, {"Y=", y}, {"高", z}};
        for (const auto& [text, box] : parts) {
            line->addWidget(new QLabel(QString::fromUtf8(text), &d_));
            box->setFixedWidth(80);
            line->addWidget(box);
        }
        shown_->addWidget(new QLabel(qstr(label), &d_), shownRow_, 0, Qt::AlignRight);
        shown_->addLayout(line, shownRow_++, 1);
    }
    void edited(std::string_view label, QWidget* box, std::string_view unit = {}) {
        box->setMinimumWidth(160);
        add(edited_, editedRow_, label, box);
        if (!unit.empty()) edited_->addWidget(new QLabel(qstr(unit), &d_), editedRow_ - 1, 2);
    }
    void finish(QDialogButtonBox* buttons) {
        auto* left = new QGroupBox(&d_);
        left->setLayout(shown_);
        auto* right = new QGroupBox(&d_);
        right->setLayout(edited_);
        auto* body = new QHBoxLayout;
        body->addWidget(left);
        body->addWidget(right);
        auto* layout = new QVBoxLayout(&d_);
        layout->addLayout(body);
        layout->addWidget(buttons);
        layout->setSizeConstraint(QLayout::SetFixedSize);
    }

private:
    void add(QGridLayout* grid, int& row, std::string_view label, QWidget* box) {
        grid->addWidget(new QLabel(qstr(label), &d_), row, 0, Qt::AlignRight);
        grid->addWidget(box, row++, 1);
    }
    BoundFormDialog& d_;
    QGridLayout* shown_;
    QGridLayout* edited_;
    int shownRow_ = 0;
    int editedRow_ = 0;
};

void installFittingPropertyDialogs() {
    QtFormHost::registerDialog<edit::TeePropertyForm, TeePropertyDialog>();
    QtFormHost::registerDialog<edit::ElbowPropertyForm, ElbowPropertyDialog>();
    QtFormHost::registerDialog<edit::ValvePropertyForm, ValvePropertyDialog>();
}

TeePropertyDialog::TeePropertyDialog(edit::TeePropertyForm& form, FormContext& context, QWidget* parent)
    : BoundFormDialog(form, form, context, parent) {
    PropertyLayout l(*this);
    l.shown("名称:", lineEdit("name"));
    l.shown("由", lineEdit("from"));
    l.shown("向", lineEdit("to"));
    l.point("起点:", lineEdit("Port1.x"), lineEdit("Port1.y"), lineEdit("Port1.z"));
    l.point("终点:", lineEdit("Port2.x"), lineEdit("Port2.y"), lineEdit("Port2.z"));
    l.point("中段终点:", lineEdit("Port3.x"), lineEdit("Port3.y"), lineEdit("Port3.z"));
    l.point("交叉点:", lineEdit("Port4.x"), lineEdit("Port4.y"), lineEdit("Port4.z"));
    l.edited("文字:", lineEdit("DistTxt"));
    l.edited("长度:", lineEdit("Distanc"));
    l.edited("文字角度:", lineEdit("angle"), "度");
    l.edited("投用日期:", lineEdit("StartUse"));
    l.edited("最后检查:", lineEdit("LastCheck"));
    l.edited("实测壁厚:", lineEdit("BiHou"), "mm");
    l.edited("材料牌号:", lineEdit("CaiLiao"));
    l.edited("规    格:", lineEdit("GuiGe"));
    l.finish(okCancelButtons());
}

ElbowPropertyDialog::ElbowPropertyDialog(edit::ElbowPropertyForm& form, FormContext& context,
                                         QWidget* parent)
    : BoundFormDialog(form, form, context, parent) {
    PropertyLayout l(*this);
    l.shown("名称:", lineEdit("name"));
    l.shown("由", lineEdit("from"));
    l.shown("向", lineEdit("to"));
    l.point("起点:", lineEdit("Port1.x"), lineEdit("Port1.y"), lineEdit("Port1.z"));
    l.point("终点:", lineEdit("Port2.x"), lineEdit("Port2.y"), lineEdit("Port2.z"));
    l.edited("标注文字:", lineEdit("DistTxt"));
    l.edited("转角半径:", lineEdit("Distanc"));
    l.edited("文字角度:", lineEdit("angle"), "度");
    l.edited("投用日期:", lineEdit("StartUse"));
    l.edited("最后检查:", lineEdit("LastCheck"));
    l.edited("实测壁厚:", lineEdit("BiHou"), "mm");
    l.edited("材料牌号:", lineEdit("CaiLiao"));
    l.edited("规    格:", lineEdit("GuiGe"));
    l.finish(okCancelButtons());
}

ValvePropertyDialog::ValvePropertyDialog(edit::ValvePropertyForm& form, FormContext& context,
                                         QWidget* parent)
    : BoundFormDialog(form, form, context, parent) {
    PropertyLayout l(*this);
    l.shown("名称:", lineEdit("name"));
    l.shown("方向", lineEdit("direction"));
    l.point("起点:", lineEdit("Port1.x"), lineEdit("Port1.y"), lineEdit("Port1.z"));
    l.point("终点:", lineEdit("Port2.x"), lineEdit("Port2.y"), lineEdit("Port2.z"));
    l.edited("标注文字:", lineEdit("DistTxt"));
    l.edited("起用日期:", lineEdit("StartUse"));
    l.edited("最后检查:", lineEdit("LastCheck"));
    l.edited("材料牌号:", lineEdit("CaiLiao"));
    l.edited("规    格:", lineEdit("GuiGe"));
    l.edited("文字角度:", lineEdit("angle"), "度");
    l.finish(okCancelButtons());
}

}  // namespace tubra::app
