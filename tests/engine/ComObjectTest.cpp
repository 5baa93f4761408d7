// The reference count and QueryInterface table the engine's COM objects are built on.
#include "engine/base/ComObject.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

constexpr CLSID kProbeClass = {0x5d1f0c2a, 0x4b7e, 0x4c1d, {0x9a, 0x3e, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66}};

// Two interfaces on one object, so the table must hand out different pointers for them.
class Probe final : public engine::ComObject<Probe, IPersist, IClassFactory> {
 public:
  explicit Probe(int* deleted) : deleted_(deleted) {}

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    return engine::QueryTable(iid, out,
                              {{IID_IUnknown, static_cast<IPersist*>(this)},
                               {IID_IPersist, static_cast<IPersist*>(this)},
                               {IID_IClassFactory, static_cast<IClassFactory*>(this)}});
  }
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    *clsid = kProbeClass;
    return S_OK;
  }
  STDMETHODIMP CreateInstance(IUnknown*, REFIID, void**) override { return E_NOTIMPL; }
  STDMETHODIMP LockServer(BOOL) override { return S_FALSE; }

 private:
  ~Probe() override { ++*deleted_; }
  int* deleted_;
};

TEST(ComObject, AnswersItsTableWithCountedPointersAndDeletesOnceAtZero) {
  int deleted = 0;
  auto* probe = new Probe(&deleted);

  IClassFactory* factory = nullptr;
  ASSERT_EQ(S_OK, probe->QueryInterface(IID_IClassFactory, reinterpret_cast<void**>(&factory)));
  EXPECT_EQ(static_cast<IClassFactory*>(probe), factory);  // the object's other face

  IUnknown* unknown = nullptr;
  ASSERT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
  EXPECT_EQ(static_cast<IUnknown*>(static_cast<IPersist*>(probe)), unknown);
  IPersist* persist = nullptr;
  ASSERT_EQ(S_OK, unknown->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist)));
  CLSID clsid{};
  EXPECT_EQ(S_OK, persist->GetClassID(&clsid));
  EXPECT_EQ(kProbeClass, clsid);

  // Something it does not implement: a null answer, and no reference taken.
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, probe->QueryInterface(IID_IStream, &other));
  EXPECT_EQ(nullptr, other);
  EXPECT_EQ(E_POINTER, probe->QueryInterface(IID_IPersist, nullptr));

  // Creation reference + three answers; each release says what is left.
  EXPECT_EQ(3u, persist->Release());
  EXPECT_EQ(2u, unknown->Release());
  EXPECT_EQ(1u, factory->Release());
  EXPECT_EQ(0, deleted);
  EXPECT_EQ(0u, probe->Release());
  EXPECT_EQ(1, deleted);
}

TEST(ComObject, CountsFromManyThreadsWithoutLosingAReference) {
  int deleted = 0;
  auto* probe = new Probe(&deleted);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([probe] {
      for (int i = 0; i < 200000; ++i) {
        probe->AddRef();
        probe->Release();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  // A lost increment would have deleted it already; a lost decrement would keep it.
  EXPECT_EQ(0, deleted);
  EXPECT_EQ(2u, probe->AddRef());
  probe->Release();
  EXPECT_EQ(0u, probe->Release());
  EXPECT_EQ(1, deleted);
}

}  // namespace
