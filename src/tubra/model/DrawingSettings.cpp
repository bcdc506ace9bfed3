#include "tubra/model/DrawingSettings.h"

namespace tubra::model {

void DrawingSettings::resetDocumentDefaults() {
    const DrawingSettings d;
    const auto keepDim_High = Dim_High;
    const auto keepDim_Size = Dim_Size;
    const auto keepZoom = DrawZoom_GJFM;
    const auto keepElbow = m_wantouR;
    const auto keepTee = m_santongChang;
    *this = d;
    Dim_High = keepDim_High;
    Dim_Size = keepDim_Size;
    DrawZoom_GJFM = keepZoom;
    m_wantouR = keepElbow;
    m_santongChang = keepTee;
}

void DrawingSettings::resetViewDefaults() {
    const DrawingSettings d;
    Dim_High = d.Dim_High;
    Dim_Size = d.Dim_Size;
    DrawZoom_GJFM = d.DrawZoom_GJFM;
    m_wantouR = d.m_wantouR;
    m_santongChang = d.m_santongChang;
}

}  // namespace tubra::model
