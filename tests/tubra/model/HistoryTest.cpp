// The undo history of a document: after any run of edits, undoing back to a state gives the
// very file that state gave, and redoing forward the later files; a step holds what the edit
// changed; an edit beyond what a file may hold is refused whole.

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "support/GeneratedDrawing.h"
#include "tubra/model/Document.h"
#include "tubra/model/LineReader.h"

using namespace tubra::model;

namespace {

PipeObject pipeAt(double x, double y, int n) {
    PipeObject o;
    o.MainType = kindValue(ObjectKind::Pipe);
    o.Port1 = Vec3(x, y, 0);
    o.Port2 = Vec3(x + 100, y, 0);
    o.DistTxt = std::to_string(n);
    return o;
}

// Random edits of every way a document changes: objects added at the end and in the middle,
// changed, deleted into the discard box and back, the whole list cleared, the table, title
// block, page and axes, the shared settings and the report.
class RandomEditor {
  public:
    explicit RandomEditor(unsigned seed) : random_(seed) {}
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    // Makes one edit; the name says which kind.
    std::string edit(Document& doc) {
        ObjectList& list = doc.drawing.objects;
        const int what = pick(100);
        const auto any = [&] {
            return static_cast<std::size_t>(pick(static_cast<int>(list.size())));
        };
        if (what < 25 || list.size() < 3) {
            // A segment with its welds: several objects at once.
            const int n = 1 + pick(3);
            for (int i = 0; i < n; ++i)
                list.append(std::make_unique<PipeObject>(pipeAt(pick(3000), pick(2000), ++made_)));
            return "append";
        }
        if (what < 35) {
            list.insert(any(),
                        std::make_unique<PipeObject>(pipeAt(pick(3000), pick(2000), ++made_)));
            return "insert";
        }
        if (what < 50) {
            // A move of a few objects.
            for (int i = 0, n = 1 + pick(4); i < n; ++i) {
                PipeObject& o = list.at(any());
                o.Port1.x += pick(50) - 25;
                o.Port2.y += pick(50) - 25;
            }
            return "move";
        }
        if (what < 58) {
            list.at(any()).CaiLiao = "M" + std::to_string(pick(1000));
            return "property";
        }
        if (what < 66) {
            for (int i = 0, n = 1 + pick(3); i < n && list.size() > 1; ++i)
                doc.discard(&std::as_const(list).at(any()));
            return "delete";
        }
        if (what < 70 && !doc.discardBox.objects.empty()) {
            // The object stack's restore.
            ObjectList& box = doc.discardBox.objects;
            auto o = box.take(&std::as_const(box).last());
            list.append(std::move(o));
            return "restore";
        }
        if (what < 74) {
            // A copy of several objects.
            for (int i = 0, n = 1 + pick(5); i < n; ++i)
                list.addCopy(std::as_const(list).at(any()));
            return "copy";
        }
        if (what < 78) {
            doc.drawing.table.values[static_cast<std::size_t>(pick(CharacteristicTable::kRows))] =
                "T" + std::to_string(pick(100));
            return "table";
        }
        if (what < 81) {
            doc.drawing.title.values[static_cast<std::size_t>(pick(TitleBlock::kRows))] =
                "title" + std::to_string(pick(9));
            return "title";
        }
        if (what < 84) {
            doc.drawing.PageSize = pick(4);
            doc.drawing.AxisSet.visible = pick(2);
            return "page";
        }
        if (what < 88) {
            doc.settings().Dim_Size = 20 + pick(20);
            doc.settings().ZhuXianLayer = pick(2);
            return "settings";
        }
        if (what < 92) {
            // Every object at once (the whole-drawing move).
            for (std::size_t i = 0; i < list.size(); ++i) list.at(i).Port1.y += 10;
            return "move all";
        }
        if (what < 94) {
            doc.removeAllObjects();
            return "clear";
        }
        if (what < 97) {
            // A property of a deleted object's neighbour and a delete in one edit.
            list.at(0).GuiGe = "G" + std::to_string(pick(99));
            doc.discard(&std::as_const(list).last());
            return "mixed";
        }
        return "nothing";
    }

  private:
    std::mt19937 random_;
    int made_ = 0;
};

TEST(History, UndoAndRedoOfRandomEditsGiveTheSameFilesByteForByte) {
    for (unsigned seed : {1u, 2u, 3u}) {
        AppContext app;
        Document doc(app);
        tubra::testing::generateDrawing(doc.drawing, {.objects = 200, .seed = seed});
        doc.resetHistory();
        platform::DefaultAnswerPrompter prompter;
        RandomEditor editor(seed);
        std::vector<std::string> files{doc.serialize()};
        std::vector<std::string> kinds{"start"};
        for (int i = 0; i < 300; ++i) {
            const std::string kind = editor.edit(doc);
            ASSERT_TRUE(doc.commit(kind, Document::Reach::Everything, prompter));
            const std::string file = doc.serialize();
            // An edit that changed nothing is no step.
            if (file == files.back()) continue;
            files.push_back(file);
            kinds.push_back(kind);
            ASSERT_EQ(doc.undoName(), kind);
        }
        ASSERT_EQ(doc.history().position(), files.size() - 1);
        for (std::size_t at = files.size() - 1; at-- > 0;) {
            ASSERT_TRUE(doc.undo());
            ASSERT_EQ(doc.serialize(), files[at])
                << "seed " << seed << ", undoing " << kinds[at + 1];
        }
        EXPECT_FALSE(doc.canUndo());
        EXPECT_FALSE(doc.isModified());
        for (std::size_t at = 1; at < files.size(); ++at) {
            ASSERT_TRUE(doc.redo());
            ASSERT_EQ(doc.serialize(), files[at]) << "seed " << seed << ", redoing " << kinds[at];
        }
        EXPECT_FALSE(doc.canRedo());
        // Halfway back and a new edit: the steps that could be redone are gone.
        for (std::size_t i = 0; i < files.size() / 2; ++i) doc.undo();
        doc.drawing.objects.append(std::make_unique<PipeObject>(pipeAt(1, 1, 1)));
        ASSERT_TRUE(doc.commit("append", Document::Reach::Drawing, prompter));
        EXPECT_FALSE(doc.canRedo());
        doc.undo();
        EXPECT_EQ(doc.serialize(), files[files.size() - 1 - files.size() / 2]);
    }
}

TEST(History, TheSelectionAfterUndoAndRedoIsWhatTheStepTouched) {
    AppContext app;
    Document doc(app);
    platform::DefaultAnswerPrompter prompter;
    for (int i = 0; i < 5; ++i)
        doc.drawing.objects.append(std::make_unique<PipeObject>(pipeAt(i * 100, 0, i)));
    doc.commit("draw", Document::Reach::Drawing, prompter);
    const PipeObject* second = &std::as_const(doc.drawing.objects).at(1);
    doc.drawing.objects.at(3).Port1.x = 999;
    doc.selection.add(second);
    doc.discard(second);
    doc.commit("edit", Document::Reach::Drawing, prompter);
    ASSERT_TRUE(doc.undo());
    // The deleted object is back in its place, and it and the moved one are selected.
    ASSERT_EQ(doc.selection.size(), 2u);
    EXPECT_EQ(doc.drawing.objects.indexOf(doc.selection.items()[0]), 3);
    EXPECT_EQ(doc.drawing.objects.indexOf(doc.selection.items()[1]), 1);
    EXPECT_TRUE(doc.discardBox.objects.empty());
    ASSERT_TRUE(doc.redo());
    ASSERT_EQ(doc.selection.size(), 1u);
    EXPECT_EQ(doc.selection.items()[0]->Port1.x, 999);
    EXPECT_EQ(doc.discardBox.objects.size(), 1u);
}

TEST(History, SavingMarksTheStateUndoReturnsToAsUnmodified) {
    AppContext app;
    Document doc(app);
    platform::DefaultAnswerPrompter prompter;
    const auto edit = [&](int n) {
        doc.drawing.objects.append(std::make_unique<PipeObject>(pipeAt(n, n, n)));
        doc.commit("draw", Document::Reach::Drawing, prompter);
    };
    edit(1);
    EXPECT_TRUE(doc.isModified());
    char tmpl[] = "/tmp/tubra-history-XXXXXX";
    const std::filesystem::path dir = ::mkdtemp(tmpl);
    ASSERT_TRUE(doc.saveAs(dir / "a.hcd").ok());
    edit(2);
    edit(3);
    doc.undo();
    EXPECT_TRUE(doc.isModified());
    doc.undo();
    EXPECT_FALSE(doc.isModified()) << "back at the saved state";
    doc.undo();
    EXPECT_TRUE(doc.isModified());
    doc.redo();
    EXPECT_FALSE(doc.isModified());
    // A new edit after undoing past the save: the saved state can no longer be reached.
    doc.undo();
    edit(4);
    doc.undo();
    EXPECT_TRUE(doc.isModified());
    // Emptying the discard box alone changes no file.
    doc.redo();
    ASSERT_TRUE(doc.save().ok());
    doc.discard(&std::as_const(doc.drawing.objects).last());
    doc.commit("delete", Document::Reach::Drawing, prompter);
    ASSERT_TRUE(doc.save().ok());
    doc.discardBox.objects.removeAll();
    doc.commit("empty", Document::Reach::Drawing, prompter);
    EXPECT_FALSE(doc.isModified());
    std::filesystem::remove_all(dir);
}

TEST(History, AStepHoldsWhatTheEditChangedNotTheDrawing) {
    AppContext app;
    Document doc(app);
    tubra::testing::generateDrawing(doc.drawing, {.objects = 5000, .seed = 4});
    doc.resetHistory();
    platform::DefaultAnswerPrompter prompter;
    const std::size_t n = doc.drawing.objects.size();
    for (int i = 0; i < 200; ++i) {
        PipeObject& o = doc.drawing.objects.at(static_cast<std::size_t>(i * 7) % n);
        o.Port1.x += 1;
        ASSERT_TRUE(doc.commit("move", Document::Reach::Drawing, prompter));
        // A delete in the middle moves every later object one place: still one object.
        doc.discard(&std::as_const(doc.drawing.objects).at(n / 2));
        ASSERT_TRUE(doc.commit("delete", Document::Reach::Drawing, prompter));
        doc.undo();
    }
    // 200 steps of one object each (the deletes were undone and dropped by the next edit).
    EXPECT_EQ(doc.history().position(), 200u);
    // Each far below a hundredth of the drawing.
    EXPECT_LT(doc.history().bytes() / 200, doc.serialize().size() / 100);
}

TEST(History, AnEditBeyondTheObjectLimitIsRefusedWhole) {
    AppContext app;
    Document doc(app);
    for (std::size_t i = 0; i + 1 < kMaxObjects; ++i)
        doc.drawing.objects.append(std::make_unique<PipeObject>());
    doc.resetHistory();
    const std::string before = doc.serialize();
    platform::DefaultAnswerPrompter prompter;
    // A copy of two objects at 49,999, with a change to an existing one in the same edit.
    doc.drawing.objects.at(5).Port1.x = 42;
    doc.drawing.objects.addCopy(std::as_const(doc.drawing.objects).at(0));
    doc.drawing.objects.addCopy(std::as_const(doc.drawing.objects).at(1));
    EXPECT_FALSE(doc.commit("copy", Document::Reach::Drawing, prompter));
    ASSERT_EQ(prompter.asked.size(), 1u);
    EXPECT_EQ(prompter.asked[0].text, kTooManyObjects);
    EXPECT_EQ(doc.serialize(), before);
    EXPECT_FALSE(doc.canUndo());
    EXPECT_FALSE(doc.isModified());
    // Exactly at the limit is kept.
    doc.drawing.objects.addCopy(std::as_const(doc.drawing.objects).at(0));
    EXPECT_TRUE(doc.commit("copy", Document::Reach::Drawing, prompter));
    EXPECT_EQ(doc.drawing.objects.size(), kMaxObjects);
    // Delete one, draw two: still one too many.
    doc.discard(&std::as_const(doc.drawing.objects).at(3));
    doc.drawing.objects.append(std::make_unique<PipeObject>());
    doc.drawing.objects.append(std::make_unique<PipeObject>());
    const std::size_t boxBefore = 0;
    EXPECT_FALSE(doc.commit("draw", Document::Reach::Drawing, prompter));
    EXPECT_EQ(doc.drawing.objects.size(), kMaxObjects);
    EXPECT_EQ(doc.discardBox.objects.size(), boxBefore);
}

}  // namespace
