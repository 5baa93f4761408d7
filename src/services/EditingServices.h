// The editing-services declarations that MinGW's qedit.h leaves out, with the documented
// interface and class ids. Everything that talks to the timeline includes this one header.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <strmif.h>
#include <qedit.h>
#include <msxml2.h>
#include <vfwmsgs.h>

#include "services/ComPtrEquality.h"

// Identifiers that MinGW's import libraries (uuid, strmiids) already carry are only declared
// here; the others are defined once, in EditingServices.cpp.
EXTERN_C const IID IID_IAMTimelineComp;
EXTERN_C const IID IID_IAMTimelineTrack;
EXTERN_C const IID IID_IAMTimelineEffectable;
EXTERN_C const IID IID_IAMTimelineTransable;
EXTERN_C const IID IID_IAMTimelineEffect;
EXTERN_C const IID IID_IAMTimelineTrans;
EXTERN_C const IID IID_IAMTimelineVirtualTrack;
EXTERN_C const IID IID_IXml2Dex;
EXTERN_C const IID IID_IRenderEngine;
EXTERN_C const CLSID CLSID_PropertySetter;
EXTERN_C const CLSID CLSID_Xml2Dex;
EXTERN_C const CLSID CLSID_RenderEngine;
EXTERN_C const CLSID CLSID_SmartRenderEngine;
EXTERN_C const CLSID CLSID_SampleGrabber;
EXTERN_C const CLSID CLSID_NullRenderer;
EXTERN_C const CLSID CLSID_MediaDet;

EXTERN_C const CLSID CLSID_VideoEffects1Category;  // effects on one video input
EXTERN_C const CLSID CLSID_VideoEffects2Category;  // video transitions (two inputs)
EXTERN_C const CLSID CLSID_AudioEffects1Category;
EXTERN_C const CLSID CLSID_AudioEffects2Category;
EXTERN_C const CLSID CLSID_DOMDocument30;
EXTERN_C const CLSID CLSID_DOMDocument60;
// Planar YUV 4:2:0 (the FOURCC "I420"): in the strmiids library, missing from its header.
EXTERN_C const GUID MEDIASUBTYPE_I420;

// Keyframe interpolation (DEXTER_VALUE::dwInterp).
#ifndef DEXTERF_JUMP
#define DEXTERF_JUMP 0x00
#define DEXTERF_INTERPOLATE 0x01
#endif

// Search directions of GetSrcAtTime / GetTransAtTime.
#ifndef DEXTERF_EXACTLY_AT
#define DEXTERF_EXACTLY_AT 0
#define DEXTERF_BOUNDING (-1)
#define DEXTERF_FORWARDS 1
#define DEXTERF_BACKWARDS 2
#endif

// Source stretch modes.
#ifndef RESIZEF_STRETCH
#define RESIZEF_STRETCH 0
#define RESIZEF_CROP 1
#define RESIZEF_PRESERVEASPECTRATIO 2
#define RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX 3
#endif

#ifndef S_WARN_OUTPUTRESET
#define S_WARN_OUTPUTRESET ((HRESULT)0x00009DD4L)
#define E_NOTINTREE ((HRESULT)0x80040400L)
#define E_RENDER_ENGINE_IS_BROKEN ((HRESULT)0x80040401L)
#define E_MUST_INIT_RENDERER ((HRESULT)0x80040402L)
#define E_NOTDETERMINED ((HRESULT)0x80040403L)
#define E_NO_TIMELINE ((HRESULT)0x80040404L)
#endif

// Error codes handed to IAMErrorLog::LogError.
#ifndef DEX_IDS_BAD_SOURCE_NAME
#define DEX_IDS_BAD_SOURCE_NAME 1400
#define DEX_IDS_MISSING_SOURCE_NAME 1402
#define DEX_IDS_INSTALL_PROBLEM 1404
#define DEX_IDS_BAD_MEDIATYPE 1406
#define DEX_IDS_STREAM_NUMBER 1407
#define DEX_IDS_OUTOFMEMORY 1408
#define DEX_IDS_NO_SUCH_PROPERTY 1415
#define DEX_IDS_ILLEGAL_PROPERTY_VAL 1416
#define DEX_IDS_INVALID_XML 1417
#define DEX_IDS_DISK_WRITE_ERROR 1419
#define DEX_IDS_TIMELINE_PARSE 1426
#define DEX_IDS_GRAPH_ERROR 1427
#define DEX_IDS_INTERFACE_ERROR 1429
#endif

enum TIMELINE_INSERT_MODE { TIMELINE_INSERT_MODE_INSERT = 1, TIMELINE_INSERT_MODE_OVERLAY = 2 };

struct IGrfCache;

MIDL_INTERFACE("eae58536-622e-11d2-8cad-00a024580902")
IAMTimelineComp : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE VTrackInsBefore(IAMTimelineObj * vtrack, LONG priority) = 0;
  virtual HRESULT STDMETHODCALLTYPE VTrackSwapPriorities(LONG a, LONG b) = 0;
  virtual HRESULT STDMETHODCALLTYPE VTrackGetCount(LONG * count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVTrack(IAMTimelineObj * *vtrack, LONG which) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCountOfType(LONG * value, LONG * valueWithComps, TIMELINE_MAJOR_TYPE type) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRecursiveLayerOfType(IAMTimelineObj * *vtrack, LONG which,
                                                            TIMELINE_MAJOR_TYPE type) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRecursiveLayerOfTypeI(IAMTimelineObj * *vtrack, LONG * which,
                                                             TIMELINE_MAJOR_TYPE type) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNextVTrack(IAMTimelineObj * vtrack, IAMTimelineObj * *next) = 0;
};
__CRT_UUID_DECL(IAMTimelineComp, 0xeae58536, 0x622e, 0x11d2, 0x8c, 0xad, 0x00, 0xa0, 0x24, 0x58, 0x09, 0x02)

MIDL_INTERFACE("eae58538-622e-11d2-8cad-00a024580902")
IAMTimelineTrack : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SrcAdd(IAMTimelineObj * source) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNextSrc(IAMTimelineObj * *source, REFERENCE_TIME * inOut) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNextSrc2(IAMTimelineObj * *source, REFTIME * inOut) = 0;
  virtual HRESULT STDMETHODCALLTYPE MoveEverythingBy(REFERENCE_TIME start, REFERENCE_TIME moveBy) = 0;
  virtual HRESULT STDMETHODCALLTYPE MoveEverythingBy2(REFTIME start, REFTIME moveBy) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSourcesCount(LONG * count) = 0;
  virtual HRESULT STDMETHODCALLTYPE AreYouBlank(LONG * blank) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSrcAtTime(IAMTimelineObj * *source, REFERENCE_TIME time, LONG direction) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSrcAtTime2(IAMTimelineObj * *source, REFTIME time, LONG direction) = 0;
  virtual HRESULT STDMETHODCALLTYPE InsertSpace(REFERENCE_TIME start, REFERENCE_TIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE InsertSpace2(REFTIME start, REFTIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE ZeroBetween(REFERENCE_TIME start, REFERENCE_TIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE ZeroBetween2(REFTIME start, REFTIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNextSrcEx(IAMTimelineObj * last, IAMTimelineObj * *next) = 0;
};
__CRT_UUID_DECL(IAMTimelineTrack, 0xeae58538, 0x622e, 0x11d2, 0x8c, 0xad, 0x00, 0xa0, 0x24, 0x58, 0x09, 0x02)

MIDL_INTERFACE("eae58537-622e-11d2-8cad-00a024580902")
IAMTimelineEffectable : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE EffectInsBefore(IAMTimelineObj * fx, LONG priority) = 0;
  virtual HRESULT STDMETHODCALLTYPE EffectSwapPriorities(LONG a, LONG b) = 0;
  virtual HRESULT STDMETHODCALLTYPE EffectGetCount(LONG * count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetEffect(IAMTimelineObj * *fx, LONG which) = 0;
};
__CRT_UUID_DECL(IAMTimelineEffectable, 0xeae58537, 0x622e, 0x11d2, 0x8c, 0xad, 0x00, 0xa0, 0x24, 0x58, 0x09, 0x02)

MIDL_INTERFACE("378fa386-622e-11d2-8cad-00a024580902")
IAMTimelineTransable : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE TransAdd(IAMTimelineObj * trans) = 0;
  virtual HRESULT STDMETHODCALLTYPE TransGetCount(LONG * count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNextTrans(IAMTimelineObj * *trans, REFERENCE_TIME * inOut) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNextTrans2(IAMTimelineObj * *trans, REFTIME * inOut) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTransAtTime(IAMTimelineObj * *trans, REFERENCE_TIME time, LONG direction) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTransAtTime2(IAMTimelineObj * *trans, REFTIME time, LONG direction) = 0;
};
__CRT_UUID_DECL(IAMTimelineTransable, 0x378fa386, 0x622e, 0x11d2, 0x8c, 0xad, 0x00, 0xa0, 0x24, 0x58, 0x09, 0x02)

MIDL_INTERFACE("bce0c264-622d-11d2-8cad-00a024580902")
IAMTimelineEffect : public IUnknown { virtual HRESULT STDMETHODCALLTYPE EffectGetPriority(LONG * priority) = 0; };
__CRT_UUID_DECL(IAMTimelineEffect, 0xbce0c264, 0x622d, 0x11d2, 0x8c, 0xad, 0x00, 0xa0, 0x24, 0x58, 0x09, 0x02)

MIDL_INTERFACE("bce0c265-622d-11d2-8cad-00a024580902")
IAMTimelineTrans : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetCutPoint(REFERENCE_TIME * time) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCutPoint2(REFTIME * time) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCutPoint(REFERENCE_TIME time) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCutPoint2(REFTIME time) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSwapInputs(BOOL * swap) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSwapInputs(BOOL swap) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCutsOnly(BOOL * cutsOnly) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCutsOnly(BOOL cutsOnly) = 0;
};
__CRT_UUID_DECL(IAMTimelineTrans, 0xbce0c265, 0x622d, 0x11d2, 0x8c, 0xad, 0x00, 0xa0, 0x24, 0x58, 0x09, 0x02)

MIDL_INTERFACE("a8ed5f80-c2c7-11d2-8d39-00a0c9441e20")
IAMTimelineVirtualTrack : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE TrackGetPriority(LONG * priority) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetTrackDirty() = 0;
};
__CRT_UUID_DECL(IAMTimelineVirtualTrack, 0xa8ed5f80, 0xc2c7, 0x11d2, 0x8d, 0x39, 0x00, 0xa0, 0xc9, 0x44, 0x1e, 0x20)

MIDL_INTERFACE("18c628ed-962a-11d2-8d08-00a0c9441e20")
IXml2Dex : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE CreateGraphFromFile(IUnknown * *graph, IUnknown * timeline, BSTR fileName) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteGrfFile(IUnknown * graph, BSTR fileName) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteXMLFile(IUnknown * timeline, BSTR fileName) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadXMLFile(IUnknown * timeline, BSTR xmlName) = 0;
  virtual HRESULT STDMETHODCALLTYPE Delete(IUnknown * timeline, double start, double stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteXMLPart(IUnknown * timeline, double start, double stop, BSTR fileName) = 0;
  virtual HRESULT STDMETHODCALLTYPE PasteXMLFile(IUnknown * timeline, double start, BSTR fileName) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyXML(IUnknown * timeline, double start, double stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE PasteXML(IUnknown * timeline, double start) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadXML(IUnknown * timeline, IUnknown * xml) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteXML(IUnknown * timeline, BSTR * xml) = 0;
};
__CRT_UUID_DECL(IXml2Dex, 0x18c628ed, 0x962a, 0x11d2, 0x8d, 0x08, 0x00, 0xa0, 0xc9, 0x44, 0x1e, 0x20)

MIDL_INTERFACE("6bee3a81-66c9-11d2-918f-00c0df10d434")
IRenderEngine : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetTimelineObject(IAMTimeline * timeline) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTimelineObject(IAMTimeline * *timeline) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFilterGraph(IGraphBuilder * *graph) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFilterGraph(IGraphBuilder * graph) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetInterestRange(REFERENCE_TIME start, REFERENCE_TIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetInterestRange2(double start, double stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetRenderRange(REFERENCE_TIME start, REFERENCE_TIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetRenderRange2(double start, double stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetGroupOutputPin(LONG group, IPin * *pin) = 0;
  virtual HRESULT STDMETHODCALLTYPE ScrapIt() = 0;
  virtual HRESULT STDMETHODCALLTYPE RenderOutputPins() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVendorString(BSTR * vendor) = 0;
  virtual HRESULT STDMETHODCALLTYPE ConnectFrontEnd() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSourceConnectCallback(IGrfCache * callback) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDynamicReconnectLevel(LONG level) = 0;
  virtual HRESULT STDMETHODCALLTYPE DoSmartRecompression() = 0;
  virtual HRESULT STDMETHODCALLTYPE UseInSmartRecompressionGraph() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSourceNameValidation(BSTR filter, IMediaLocator * override_, LONG flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Commit() = 0;
  virtual HRESULT STDMETHODCALLTYPE Decommit() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCaps(LONG index, LONG * value) = 0;
};
__CRT_UUID_DECL(IRenderEngine, 0x6bee3a81, 0x66c9, 0x11d2, 0x91, 0x8f, 0x00, 0xc0, 0xdf, 0x10, 0xd4, 0x34)

// The platform's IPropertySetter ends with PrintXMLW, which MinGW's declaration omits. Same
// interface id and vtable prefix: an IPropertySetter obtained from our engine may be used
// through this declaration to print wide XML.
struct IPropertySetterW : public IPropertySetter {
  virtual HRESULT STDMETHODCALLTYPE PrintXMLW(WCHAR* xml, int size, int* printed, int indent) = 0;
};
__CRT_UUID_DECL(IPropertySetterW, 0xae9472bd, 0xb0c3, 0x11d2, 0x8d, 0x24, 0x00, 0xa0, 0xc9, 0x44, 0x1e, 0x20)

// The media framework's control interfaces for which MinGW's control.h gives no interface id
// to __uuidof.
#include <control.h>
__CRT_UUID_DECL(IVideoWindow, 0x56a868b4, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
__CRT_UUID_DECL(IBasicAudio, 0x56a868b3, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
__CRT_UUID_DECL(IMediaEventEx, 0x56a868c0, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
__CRT_UUID_DECL(IMediaEvent, 0x56a868b6, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
