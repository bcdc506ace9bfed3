#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "text/FixedText.h"
#include "tubra/model/ObjectList.h"

namespace tubra::model {

class ReportStore;

// The pipeline characteristic table: 18 rows of a constant label and a value.
struct CharacteristicTable {
    static constexpr int kRows = 18;
    using Value = text::FixedText<41>;  // at most 40 bytes
    std::array<Value, kRows> values;

    // The constant label of a row (GBK, at most 30 bytes).
    static std::string_view label(int row);

    void clear();
    void copyFrom(const CharacteristicTable& other) { values = other.values; }
    bool empty() const;
    std::size_t longestValue() const;
    static std::size_t longestLabel();

    friend bool operator==(const CharacteristicTable&, const CharacteristicTable&) = default;
};

// The title block: 7 rows of a label and a value.
struct TitleBlock {
    static constexpr int kRows = 7;
    using Text = text::FixedText<41>;  // at most 40 bytes
    std::array<Text, kRows> labels;    // empty until set
    std::array<Text, kRows> values;

    // The constant label of a row (GBK).
    static std::string_view constantLabel(int row);
    // Sets the seven labels to their constants.
    void setLabels();
    bool valuesEmpty() const;

    friend bool operator==(const TitleBlock&, const TitleBlock&) = default;
};

// Axis indicator switch and labels of the vertical, north-south and east-west axes.
struct AxisSettings {
    using Label = text::FixedText<5>;  // at most 4 bytes
    std::int32_t visible = 1;
    std::array<Label, 3> labels;

    AxisSettings();
    friend bool operator==(const AxisSettings&, const AxisSettings&) = default;
};

// The serialisable part of a document: objects, view parameters, table and title block.
struct Drawing {
    ObjectList objects;  // holds `Total`
    double ZoomPara = 1.0;
    std::int32_t zoomLoaded = 0;  // 1 when a file supplied ZoomPara; the view adopts and clears it
    CharacteristicTable table;
    TitleBlock title;
    ReportStore* report = nullptr;  // the document's report data
    std::int32_t PageSize = 0;
    std::array<std::int32_t, 2> IsShowReport = {0, 0};
    AxisSettings AxisSet;
    double X_AxisAngle = 30.0;
    double Y_AxisAngle = 30.0;

    std::int32_t& Total() { return objects.Total; }
    std::int32_t Total() const { return objects.Total; }

    PipeObject& addObject(const CreationValues& v) {
        return objects.addObject(v, X_AxisAngle, Y_AxisAngle);
    }
};

}  // namespace tubra::model
