// TDGVertexBuffer and TDGIndexBuffer against the recording Direct3D of tests/support: creation, lock
// ranges, the saved copy and the registry callbacks.
#include "dg/buffers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "unit/dg/device_fixture.h"

namespace {

using testdev::Calls;

constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE;  // 16 bytes a vertex

class Buffers : public testdev::RecordingDevice {
 protected:
  std::unique_ptr<dg::TDGVertexBuffer> Vertices(UINT count, D3DPOOL pool = D3DPOOL_MANAGED) {
    return std::make_unique<dg::TDGVertexBuffer>(*carad_, count, 16, 0, kFvf, pool, "body");
  }
  static std::vector<std::uint8_t> Pattern(std::size_t size, std::uint8_t start) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(start + i);
    return bytes;
  }
  template <class B>
  static void Write(B& buffer, const std::vector<std::uint8_t>& bytes) {
    void* data = buffer.Lock(0, 0, 0);
    ASSERT_NE(data, nullptr);
    std::memcpy(data, bytes.data(), bytes.size());
    buffer.Unlock();
  }
};

}  // namespace

TEST_F(Buffers, TheBufferIsCreatedBeforeItIsRegistered) {
  auto vb = Vertices(10);
  EXPECT_EQ(rec_.Take(), Calls{"CreateVertexBuffer(160, 0, 66, 1)"});
  EXPECT_EQ(Log(), std::vector<std::string>{"DGCaradリソース(TDGVertexBuffer)を登録します ID は 0(body) です"});
  EXPECT_EQ(d3d9rec::LabelOf(vb->Buffer()), "vb0");
  EXPECT_EQ(vb->Count(), 10u);
  EXPECT_EQ(vb->VertexSize(), 16u);
  EXPECT_EQ(vb->FVF(), kFvf);
  EXPECT_TRUE(vb->KeepContents());
  EXPECT_EQ(vb->SavedCopy(), nullptr);

  dg::TDGIndexBuffer ib(*carad_, 36, D3DUSAGE_WRITEONLY, D3DPOOL_DEFAULT, "faces");
  EXPECT_EQ(rec_.Take(), Calls{"CreateIndexBuffer(72, 8, 101, 0)"});
  EXPECT_EQ(ib.ID(), 1);
  EXPECT_STREQ(ib.ClassName(), "TDGIndexBuffer");
}

TEST_F(Buffers, LocksCountInElements) {
  auto vb = Vertices(10);
  dg::TDGIndexBuffer ib(*carad_, 50, 0, D3DPOOL_MANAGED, "faces");
  rec_.Take();
  std::uint8_t* base = d3d9rec::BytesOf(vb->Buffer())->data();
  EXPECT_EQ(vb->Lock(0, 0, D3DLOCK_READONLY), base);
  EXPECT_TRUE(vb->Locked());
  EXPECT_EQ(vb->LockFirst(), 0);
  EXPECT_EQ(vb->LockLast(), -1);
  EXPECT_EQ(vb->Unlock(), D3D_OK);
  EXPECT_FALSE(vb->Locked());
  EXPECT_EQ(vb->Lock(2, 3, 0), base + 32);
  EXPECT_EQ(vb->Data(), base + 32);
  EXPECT_EQ(vb->LockLast(), 4);
  vb->Unlock();
  EXPECT_EQ(ib.Lock(10, 6, 0), d3d9rec::BytesOf(ib.Buffer())->data() + 20);
  EXPECT_EQ(ib.LockLast(), 15);
  ib.Unlock();
  EXPECT_EQ(rec_.Take(), (Calls{"VertexBuffer::Lock(vb0, 0, 0, 16)", "VertexBuffer::Unlock(vb0)",
                                "VertexBuffer::Lock(vb0, 32, 48, 0)", "VertexBuffer::Unlock(vb0)",
                                "IndexBuffer::Lock(ib0, 20, 12, 0)", "IndexBuffer::Unlock(ib0)"}));
}

TEST_F(Buffers, ALockOutsideTheBufferIsRefusedBeforeDirect3DSeesIt) {
  auto vb = Vertices(10);
  dg::TDGIndexBuffer ib(*carad_, 4, 0, D3DPOOL_MANAGED, "faces");
  Restart(dg::dgoDebugMessage);
  EXPECT_EQ(vb->Lock(8, 3, 0), nullptr);
  EXPECT_EQ(vb->Lock(11, 0, 0), nullptr);
  EXPECT_EQ(vb->Lock(0xFFFFFFFFu, 2, 0), nullptr);
  EXPECT_EQ(ib.Lock(3, 2, 0), nullptr);
  EXPECT_NE(vb->Lock(10, 0, 0), nullptr);  // the empty range at the end is fine
  vb->Unlock();
  EXPECT_EQ(rec_.Only({"VertexBuffer::Lock", "IndexBuffer::Lock"}), Calls{"VertexBuffer::Lock(vb0, 160, 0, 0)"});
  const std::string code = "(Error Code = D3DERR_INVALIDCALL )";
  EXPECT_EQ(Log(), (std::vector<std::string>{
                       "VertexBufferのロックに失敗しました" + code, "VertexBufferのロックに失敗しました" + code,
                       "VertexBufferのロックに失敗しました" + code, "IndexBufferのロックに失敗しました" + code}));
}

TEST_F(Buffers, AManagedBufferKeepsItsBytesThroughARecreationAndAReset) {
  auto vb = Vertices(4);
  dg::TDGIndexBuffer ib(*carad_, 6, 0, D3DPOOL_MANAGED, "faces");
  const std::vector<std::uint8_t> vertices = Pattern(64, 1), indices = Pattern(12, 100);
  Write(*vb, vertices);
  Write(ib, indices);
  rec_.Take();
  Recreate();
  const Calls calls = rec_.Take();
  EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 6),
            (Calls{"VertexBuffer::Lock(vb0, 0, 0, 16)", "VertexBuffer::Unlock(vb0)", "Release(vb0)",
                   "IndexBuffer::Lock(ib0, 0, 0, 16)", "IndexBuffer::Unlock(ib0)", "Release(ib0)"}));
  EXPECT_EQ(d3d9rec::LabelOf(vb->Buffer()), "vb1");
  EXPECT_EQ(*d3d9rec::BytesOf(vb->Buffer()), vertices);
  EXPECT_EQ(*d3d9rec::BytesOf(ib.Buffer()), indices);
  ASSERT_NE(vb->SavedCopy(), nullptr);  // the copy is kept
  EXPECT_EQ(*vb->SavedCopy(), vertices);

  IDirect3DVertexBuffer9* managed = vb->Buffer();
  carad_->ResetDevice();
  EXPECT_TRUE(rec_.Matching("Release(vb").empty());
  EXPECT_EQ(vb->Buffer(), managed);
}

TEST_F(Buffers, ADefaultPoolBufferComesBackEmpty) {
  auto vb = Vertices(4, D3DPOOL_DEFAULT);
  Write(*vb, Pattern(64, 1));
  rec_.Take();
  carad_->ResetDevice();
  EXPECT_EQ(rec_.Take(),
            (Calls{"Release(vb0)", "Release(backbuffer0)", "Reset(320, 240, 22, 1, -1, 0, 0)", "GetBackBuffer(0, 0, 0)",
                   "GetDepthStencilSurface()", "CreateVertexBuffer(64, 0, 66, 0)"}));
  EXPECT_EQ(vb->SavedCopy(), nullptr);
  EXPECT_EQ(*d3d9rec::BytesOf(vb->Buffer()), std::vector<std::uint8_t>(64, 0xCD));

  Recreate();
  EXPECT_TRUE(rec_.Only({"VertexBuffer::Lock", "IndexBuffer::Lock"}).empty());  // neither copied nor written back
}

TEST_F(Buffers, SetCountKeepsTheCopyOnlyForTheSameCount) {
  auto vb = Vertices(4);
  Write(*vb, Pattern(64, 1));
  carad_->ReleaseDevice();
  ASSERT_NE(vb->SavedCopy(), nullptr);
  Restart(dg::dgoDebugMessage);
  EXPECT_EQ(vb->SetCount(4), 1);  // no device to create it on
  EXPECT_EQ(Log(),
            std::vector<std::string>{"VertexBufferの生成に失敗しました(Error Code = UNKNOWN ERROR ... $00000001)"});
  EXPECT_NE(vb->SavedCopy(), nullptr);
  vb->SetCount(5);
  EXPECT_EQ(vb->SavedCopy(), nullptr);
  EXPECT_EQ(vb->Count(), 5u);
  Recreate();
  EXPECT_EQ(rec_.Matching("CreateVertexBuffer"), Calls{"CreateVertexBuffer(80, 0, 66, 1)"});
  EXPECT_TRUE(rec_.Matching("VertexBuffer::Lock(vb1, 0, 0, 0)").empty());
}

TEST_F(Buffers, FailuresGoThroughTheCheckWithTheBuffersWord) {
  dev().createBufferResult = D3DERR_OUTOFVIDEOMEMORY;
  Restart(dg::dgoDebugMessage);
  dg::TDGIndexBuffer ib(*carad_, 6, 0, D3DPOOL_MANAGED, "faces");
  EXPECT_EQ(ib.Buffer(), nullptr);
  EXPECT_EQ(ib.Lock(0, 0, 0), nullptr);
  EXPECT_EQ(ib.Unlock(), 1);
  dev().createBufferResult = D3D_OK;
  EXPECT_EQ(ib.SetCount(6), D3D_OK);
  IDirect3DIndexBuffer9* held = ib.Buffer();  // two references left at its release
  held->AddRef();
  held->AddRef();
  ib.SetCount(7);
  held->Release();
  held->Release();
  EXPECT_EQ(Log(),
            (std::vector<std::string>{"IndexBufferの生成に失敗しました(Error Code = D3DERR_OUTOFVIDEOMEMORY)",
                                      "IndexBufferのロックに失敗しました(Error Code = UNKNOWN ERROR ... $00000001)",
                                      "IndexBufferのアンロックに失敗しました(Error Code = UNKNOWN ERROR ... $00000001)",
                                      "IndexBufferの解放に失敗しました(Error Code = UNKNOWN ERROR ... $00000002)"}));
}

TEST_F(Buffers, DestructionReleasesThenUnregisters) {
  auto vb = Vertices(4);
  Restart();
  vb.reset();
  EXPECT_EQ(rec_.Take(), Calls{"Release(vb0)"});
  EXPECT_EQ(Log(), std::vector<std::string>{"DGCaradリソース(TDGVertexBuffer) : ID 0(body) を登録解除します"});
  EXPECT_TRUE(carad_->Resources().empty());
}
