#pragma once

#include <cstdint>

namespace tubra::model {

// A Windows COLORREF: red in the low byte, blue in the third.
using Colour = std::uint32_t;
constexpr Colour rgb(int r, int g, int b) {
    return static_cast<Colour>(r & 0xFF) | (static_cast<Colour>(g & 0xFF) << 8) |
           (static_cast<Colour>(b & 0xFF) << 16);
}

// Presentation settings shared by every open drawing: layers, widths, styles, colours,
// dimension text, symbol scale and the elbow and tee factors. Names are the file keys.
struct DrawingSettings {
    // layer switches
    std::int32_t ZhuXianLayer = 1;
    std::int32_t ZhiXianLayer = 1;
    std::int32_t DimLineLayer = 0;
    std::int32_t DimTextLayer = 1;
    std::int32_t FaMenLayer = 1;
    std::int32_t GuanJianLayer = 1;
    std::int32_t FuZhuXianLayer = 1;
    std::int32_t TuKuangLayer = 1;
    std::int32_t QiTaLayer = 1;
    // line widths
    float ZhuXianKuan = 4.0f;
    float ZhiXianKuan = 2.0f;
    float BiaoZhuKuan = 1.0f;
    float FaMenKuan = 1.0f;
    float HanFengKuan = 4.0f;
    float QiTaKuan = 4.0f;
    // line styles (pen styles 0..4)
    std::int32_t ZhuXianStyle = 0;
    std::int32_t ZhiXianStyle = 0;
    std::int32_t BiaoZhuStyle = 0;
    std::int32_t FaMenStyle = 0;
    std::int32_t QiTaStyle = 0;
    std::int32_t PrintIsNoColor = 1;
    // colours
    Colour BeiJingColor = rgb(255, 255, 255);
    Colour ZhuXianColor = rgb(0, 0, 255);
    Colour ZhiXianColor = rgb(220, 30, 230);
    Colour DangQianColor = rgb(255, 0, 0);
    Colour PingXieColor = rgb(0, 150, 10);
    Colour LiXieColor = rgb(150, 150, 150);
    Colour GuanJianColor = rgb(0, 100, 50);
    Colour FaMenColor = rgb(0, 100, 50);
    Colour DimLineColor = rgb(200, 50, 50);
    Colour DimTextColor = rgb(200, 0, 0);
    Colour TextColor = ~rgb(255, 255, 255);  // the complement of the background
    Colour TractColor = rgb(255, 255, 125);
    Colour HanFengColor = rgb(240, 120, 0);
    // the colour selected objects are drawn in; not stored in files
    Colour SelectionColor = rgb(150, 150, 150);
    // dimension text, symbol scale, elbow and tee factors
    std::int32_t Dim_High = 15;
    std::int32_t Dim_Size = 30;
    double DrawZoom_GJFM = 4.0;
    double m_wantouR = 16.0;
    double m_santongChang = 16.0;

    // Back to the defaults of layers, widths, styles, black-and-white printing and colours:
    // done whenever a document is constructed.
    void resetDocumentDefaults();
    // Back to the defaults of the dimension text, symbol scale, elbow and tee factors:
    // done whenever a drawing view is constructed.
    void resetViewDefaults();

    friend bool operator==(const DrawingSettings&, const DrawingSettings&) = default;
};

}  // namespace tubra::model
