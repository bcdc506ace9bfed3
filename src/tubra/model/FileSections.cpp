#include "tubra/model/FileSections.h"

#include <vector>

#include "tubra/model/Drawing.h"

namespace tubra::model {

static_assert(fileSection(kTableSection).rows == CharacteristicTable::kRows);
static_assert(fileSection(kTitleSection).rows == TitleBlock::kRows);

const KeyMatcher& fileSectionKeys() {
    static const KeyMatcher m = [] {
        std::vector<std::string_view> names;
        for (const FileSection* s : kFileSectionsInReadOrder) names.push_back(s->name);
        return KeyMatcher(std::move(names));
    }();
    return m;
}

}  // namespace tubra::model
