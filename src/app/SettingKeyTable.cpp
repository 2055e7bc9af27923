#include "app/SettingKeyTable.h"

const SettingKeyEntry SettingKeyTable[kSettingKeyCount] = {
    {0, u"MxRecordPlayMode"},    {1, u"MxRecordFreq"},        {2, u"MxRecordRange"},
    {3, u"MxRecordBW"},          {4, u"MxRecordPlayBack"},    {5, u"MxRecordAGCEnb"},
    {6, u"MxRecordAGCSpeed"},    {7, u"MxRecordPreAMP"},      {8, u"MxPlayFreq"},
    {9, u"MxPlayGain"},          {10, u"MxPlayBW"},           {11, u"MxPlayIQRate"},
    {12, u"MxPlaySpectInv"},     {13, u"MxViewerResBW"},      {14, u"MxViewerAvrType"},
    {15, u"MxViewerAvrCnt"},     {16, u"MxViewerUnitdB"},     {17, u"MxViewerMarker"},
    {18, u"MxSystemRef10MHz"},   {19, u"MxSystemTrigger"},    {20, u"MxRecordStopType"},
    {21, u"MxRecordStopTime"},   {22, u"MxUpdateSpeed"},      {23, u"MxFrequencyStep"},
    {24, u"MxSpecBGColor"},      {25, u"MxSpecAxisColor"},    {26, u"MxSpecGridColor"},
    {27, u"MxSpecTextColor"},    {28, u"MxSpecTextFoColor"},  {29, u"MxSpecTextSeColor"},
    {30, u"MxSpecDataColor"},    {31, u"MxSpecFadeColor"},    {32, u"MxSpecDragColor"},
    {33, u"MxSpecMaxHoldColor"}, {34, u"MxSpecMinHoldColor"}, {35, u"MxPwBGColor"},
    {36, u"MxPwAxisColor"},      {37, u"MxPwGridColor"},      {38, u"MxPwTextColor"},
    {39, u"MxPwTextFoColor"},    {40, u"MxPwTextSeColor"},    {41, u"MxPwDataColor"},
    {42, u"MxPwFadeColor"},      {43, u"MxPwDragColor"},      {44, u"MxPwMaxHoldColor"},
    {45, u"MxPwMinHoldColor"},   {46, u"MxGpsBGColor"},       {47, u"MxGpsAxisColor"},
    {48, u"MxGpsGridColor"},     {49, u"MxGpsTextColor"},     {50, u"MxGpsTextFoColor"},
    {51, u"MxGpsTextSeColor"},   {52, u"MxGpsDataColor"},     {53, u"MxGpsFadeColor"},
    {54, u"MxGpsDragColor"},     {55, u"MxGpsMaxHoldColor"},  {56, u"MxGpsMinHoldColor"},
    {57, u"MxIQBGColor"},        {58, u"MxIQAxisColor"},      {59, u"MxIQGridColor"},
    {60, u"MxIQTextColor"},      {61, u"MxIQTextFoColor"},    {62, u"MxIQTextSeColor"},
    {63, u"MxIQDataColor"},      {64, u"MxIQFadeColor"},      {65, u"MxIQDragColor"},
    {66, u"MxIQMaxHoldColor"},   {67, u"MxIQMinHoldColor"},   {68, u"Mx2SystemMode"},
    {69, u"Mx2FREQHFHP"},        {70, u"Mx2FREQHFLP"},        {71, u"Mx2FREQLF"},
    {72, u"Mx2FREQLFAM"},        {73, u"Mx2RangeHFHP"},       {74, u"Mx2RangeHFLP"},
    {75, u"Mx2RangeLF"},         {76, u"Mx2RangeLFAM"},       {77, u"Mx2IQRateHFHP"},
    {78, u"Mx2IQRateHFLP"},      {79, u"Mx2IQRateLF"},        {80, u"Mx2IQRateLFAM"},
    {81, u"Mx2PlayFreq"},        {82, u"Mx2PlayGain"},        {83, u"Mx2PlaySpectralInv"},
    {84, u"Mx2PlayIQRate"},      {85, u"Mx2RecordPlayback"},  {86, u"Mx2RecordAGC"},
    {87, u"Mx2RecordAGCSpeed"},  {88, u"Mx2SystemRef10MHz"},  {89, u"Mx2SystemTrig"},
    {90, u"Mx2SystemTrigLevel"}, {91, u"Mx2FullBandStart"},   {92, u"Mx2FullBandEnd"},
    {93, u"Mx2ZephyraFreq"},     {94, u"Mx2ZephyraPower"},
};

QString SettingKeyName(int row) {
    if (row < 0 || row >= kSettingKeyCount)
        return QString();
    return QString::fromUtf16(SettingKeyTable[row].m_szName);
}
