// A graph library that lacks two entry points (Undo and SetTextFont).
extern "C" {
#define STUB(name)                                                                                           \
    __attribute__((visibility("default"))) int name() {                                                      \
        return 0;                                                                                            \
    }
STUB(VarolGraph_Init)
STUB(VarolGraph_Free)
STUB(VarolGraph_Resize)
STUB(VarolGraph_LoadInfoFromFile)
STUB(VarolGraph_GetDataInfo)
STUB(VarolGraph_SetDataInfo)
STUB(VarolGraph_AddNewLayer)
STUB(VarolGraph_SetData)
STUB(VarolGraph_ClearData)
STUB(VarolGraph_IfOutThenToCenter)
STUB(VarolGraph_TimeMark)
STUB(VarolGraph_GetDesignInfo)
STUB(VarolGraph_SetDesignInfo)
STUB(VarolGraph_SetMode)
STUB(VarolGraph_SetMarkCount)
STUB(VarolGraph_InputUpdate)
STUB(VarolGraph_SetMarkVisible)
STUB(VarolGraph_SetMarkPosition)
STUB(VarolGraph_GetMarkData)
STUB(VarolGraph_GetFocusedTextIndex)
STUB(VarolGraph_SetCustomText)
STUB(VarolGraph_GetCustomTextChecked)
STUB(VarolGraph_SetCustomTextChecked)
STUB(VarolGraph_GetCustomTextVisible)
STUB(VarolGraph_SetCustomTextVisible)
STUB(VarolGraph_GetBandPowerArea)
STUB(VarolGraph_SetBandPowerArea)
STUB(VarolGraph_SetBandPowerText)
STUB(VarolGraph_SetMaskLayer)
STUB(VarolGraph_SetMaskLayerVisible)
STUB(VarolGraph_Render)
STUB(VarolGraph_MinMaxHoldInit)
}
