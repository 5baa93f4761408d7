#pragma once
// Turns the timeline into a filter graph that writes one media file: the render engine's front
// end, a compressor behind each group's output pin, and a multiplexer with its file writer.
// Also the graph's builder callback, vetoing the filters of the skip list during intelligent
// connection.
#include "render/SkipListCallback.h"
#include "services/EditingServices.h"

#include <strmif.h>
#include <wrl/client.h>

#include <string>
#include <vector>

struct TLRenderGroup {
  BSTR name = nullptr;                             // the group's user name (owned)
  Microsoft::WRL::ComPtr<IAMTimelineGroup> group;  // kept out of preview mode while the record lives
  AM_MEDIA_TYPE mediaType = {};                    // owns its format block and pUnk
  LONG compressorIndex = 0;                        // into the compressor catalogue; 0 uncompressed
  Microsoft::WRL::ComPtr<IBaseFilter> compressor;  // null until loaded
  bool connected = false;                          // output pin connected to the compressor in this graph
};

class TLRenderMgr : public CSkipListCallback {
 public:
  TLRenderMgr() = default;
  ~TLRenderMgr() override;

  void ReleaseGraph(bool dropGroups);
  HRESULT CreateGraph();
  HRESULT LoadCompressor(size_t index);
  HRESULT ConnectCompressor(size_t index);
  // Refuses (kDestinationIsInput, with destinationClash set) a destination that is the project
  // file or one of the timeline's media files: rendering onto a file while reading it loses it.
  HRESULT RenderToFile(REFGUID outputType, const wchar_t* fileName, IMediaSeeking** seekingOut);
  // The same check alone, for callers that touch the destination before rendering.
  HRESULT CheckDestination(const wchar_t* fileName);
  static constexpr HRESULT kDestinationIsInput = HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
  HRESULT ConfigureCompressor(size_t index, bool connectFirst, HWND ownerWindow,
                              IAMVideoCompression** videoCompressionOut, IAMStreamConfig** streamConfigOut);

  // The owner's part: stores the timeline (borrowed) and makes one record per timeline group,
  // each switched out of preview mode. Old records are dropped with the graph first.
  HRESULT SetTimeline(IAMTimeline* timeline);

  IAMTimeline* timeline = nullptr;  // borrowed from the owner
  std::vector<TLRenderGroup> groups;
  Microsoft::WRL::ComPtr<IRenderEngine> engine;
  Microsoft::WRL::ComPtr<IGraphBuilder> graph;
  Microsoft::WRL::ComPtr<ICaptureGraphBuilder2> builder;
  DWORD registrationToken = 0;
  // The project file the timeline was read from, empty while unsaved: relative media names are
  // taken from its folder, and a render may not overwrite it.
  std::wstring projectFile;
  // The input file a refused destination names, after kDestinationIsInput.
  std::wstring destinationClash;
};

// "MRQ_group_compressor_<index>": the name of a group's compressor in the graph.
std::wstring GroupCompressorName(size_t index);
