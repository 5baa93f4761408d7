#include "timeline/MediaStreams.h"

#include <wrl/client.h>

#include "core/IntText.h"
#include "core/LogFile.h"
#include "core/ResultText.h"
#include "services/ComUtil.h"
#include "services/MediaTypes.h"
#include "timeline/MediaTypeText.h"
#include "timeline/TimeCode.h"

HRESULT AnalyseMediaStreams(const wchar_t* path, std::vector<StreamInfo>* streams) {
  streams->clear();
  Microsoft::WRL::ComPtr<IMediaDet> detector;
  HRESULT hr = CoCreateInstance(CLSID_MediaDet, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&detector));
  if (FAILED(hr)) return hr;
  hr = detector->put_Filename(Bstr(path ? path : L""));
  if (hr != S_OK) return hr;
  if (LogExists()) {
    long count = 0;
    detector->get_OutputStreams(&count);
    WriteLog((std::wstring(L"Media file: ") + path + L", streams: " + std::to_wstring(count)).c_str());
  }
  for (long i = 0; detector->put_CurrentStream(i) == S_OK; ++i) {
    AM_MEDIA_TYPE type = {};
    double seconds = 0;
    StreamInfo info;
    if (SUCCEEDED(detector->get_StreamMediaType(&type))) {
      wchar_t text[256] = {};
      info.major = type.majortype;
      info.description = DescribeMediaType(&type, text, 256);
      FreeMediaTypeContents(type);
    }
    detector->get_StreamLength(&seconds);
    info.duration = seconds > 0 ? static_cast<int64_t>(seconds * 1000000.0) : 0;
    if (LogExists()) WriteLog((L"Stream " + std::to_wstring(i) + L": " + info.description).c_str());
    streams->push_back(std::move(info));
  }
  return hr;
}

std::wstring UnreadableMediaText(const wchar_t* path, HRESULT hr) {
  IntText code(static_cast<int32_t>(hr), 16);
  std::wstring reason = ResultText(hr);
  if (reason.empty()) reason = ResultSentence(hr);
  return std::wstring(path ? path : L"") + L"\nCan't recognize media\n" + code.get() + L": " + reason;
}

void SetSourceMedia(IAMTimelineSrc* source, const std::wstring& path, long stream, int64_t length, int64_t mediaStart,
                    int64_t mediaStop, int stretchMode) {
  source->SetMediaName(Bstr(path));
  source->SetStreamNumber(stream);
  source->SetDefaultFPS(0.0);
  source->SetMediaLength(MicrosToRefTime(length));
  source->SetMediaTimes(MicrosToRefTime(mediaStart), MicrosToRefTime(mediaStop));
  source->SetStretchMode(stretchMode);
}
