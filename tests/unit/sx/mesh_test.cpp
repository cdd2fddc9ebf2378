// TSXMesh against the recording Direct3D 9: mesh files of both versions written here, from plain
// files and archive entries, bounds, the draw split, and the malformed files that end the process.
#include "sx/mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dg/stream.h"
#include "unit/dg/archive_builder.h"
#include "unit/sx/sx_fixture.h"

namespace {

using sx::TSXMesh;
using sx::Vec3;
using sxtest::MeshFile00;
using sxtest::MeshFile02;
using sxtest::V00;

const std::set<std::string> kDrawCalls = {"SetFVF", "SetIndices", "SetStreamSource", "DrawIndexedPrimitive"};

class Mesh : public sxtest::SceneTest {
 protected:
  // Loads `bytes` as a plain file into a new mesh.
  std::unique_ptr<TSXMesh> Load(const std::string& bytes, const std::string& name = "mesh.x") {
    auto mesh = std::make_unique<TSXMesh>(*carad_);
    mesh->LoadFromFile(sxtest::WriteScratch(name, bytes));
    return mesh;
  }
  // The bytes in the mesh's vertex or index buffer.
  template <class Buffer>
  static std::string Bytes(Buffer& buffer, std::size_t size) {
    const void* data = buffer.Lock(0, 0, D3DLOCK_READONLY);
    std::string out = data ? std::string(static_cast<const char*>(data), size) : std::string();
    buffer.Unlock();
    return out;
  }
  // A triangle list of n triangles over three vertices.
  static std::vector<std::uint16_t> Triangles(std::size_t n) {
    std::vector<std::uint16_t> ix;
    for (std::size_t i = 0; i < n; ++i) ix.insert(ix.end(), {0, 1, 2});
    return ix;
  }
  static std::vector<sxtest::MeshVertex00> Triangle() { return {V00(0, 0, 0), V00(1, 0, 0), V00(0, 1, 0)}; }
};

using MeshDeathTest = Mesh;

}  // namespace

TEST_F(Mesh, CreationKeepsTheDeviceLimitsAndMakesNoBuffers) {
  d3d_->caps.MaxPrimitiveCount = 1234;
  d3d_->caps.MaxVertexIndex = 999;
  TSXMesh mesh(*carad_, "vb", "ib");
  EXPECT_EQ(mesh.MaxPrimitiveCount, 1234u);
  EXPECT_EQ(mesh.MaxVertexIndex, 999u);
  EXPECT_EQ(mesh.VertexBufferName, "vb");
  EXPECT_EQ(mesh.VertexBuffer(), nullptr);
  EXPECT_EQ(dev().Count("CreateVertexBuffer"), 0u);
  mesh.Draw();  // nothing to draw
  EXPECT_TRUE(Calls(kDrawCalls).empty());
}

TEST_F(Mesh, AVersion00FileFillsA40ByteVertexBufferAndDrawsInOneCall) {
  const std::vector<sxtest::MeshVertex00> v = {V00(0, 0, 0, 0xFF102030u), V00(2, 0, 0), V00(0, 3, -1)};
  auto mesh = Load(MeshFile00(v, {0, 1, 2}));
  ASSERT_NE(mesh->VertexBuffer(), nullptr);
  EXPECT_EQ(Calls({"CreateVertexBuffer", "CreateIndexBuffer"}),
            (std::vector<std::string>{"CreateVertexBuffer(120, 0, 466, 1)", "CreateIndexBuffer(6, 0, 101, 1)"}));
  EXPECT_EQ(mesh->VertexBuffer()->FVF(), 0x1D2u);
  EXPECT_EQ(mesh->VertexBuffer()->VertexSize(), 40u);
  EXPECT_EQ(mesh->TriangleCount, 1u);
  EXPECT_EQ(Bytes(*mesh->VertexBuffer(), 120), std::string(reinterpret_cast<const char*>(v.data()), 120));
  EXPECT_EQ(Bytes(*mesh->IndexBuffer(), 6), sxtest::Indices({0, 1, 2}));

  dev().ClearCalls();
  mesh->Draw();
  const auto vb = reinterpret_cast<std::uintptr_t>(mesh->VertexBuffer()->Buffer());
  const auto ib = reinterpret_cast<std::uintptr_t>(mesh->IndexBuffer()->Buffer());
  EXPECT_EQ(Calls(kDrawCalls), (std::vector<std::string>{"SetFVF(466)", "SetIndices(" + std::to_string(ib) + ")",
                                                         "SetStreamSource(0, " + std::to_string(vb) + ", 0, 40)",
                                                         "DrawIndexedPrimitive(4, 0, 0, 3, 0, 1)"}));
}

TEST_F(Mesh, AVersion02FileKeepsItsOwnFormatAndStride) {
  const std::vector<Vec3> p = {{0, 0, 0}, {1, 1, 1}, {-1, 2, 0}, {4, 0, -2}};
  auto mesh = Load(MeshFile02(0x112, 32, p, {0, 1, 2, 1, 2, 3}));
  EXPECT_EQ(mesh->VertexBuffer()->FVF(), 0x112u);
  EXPECT_EQ(mesh->VertexBuffer()->VertexSize(), 32u);
  EXPECT_EQ(mesh->VertexBuffer()->Count(), 4u);
  EXPECT_EQ(mesh->TriangleCount, 2u);
  const std::string bytes = Bytes(*mesh->VertexBuffer(), 128);
  EXPECT_EQ(bytes.substr(96, 12), std::string(reinterpret_cast<const char*>(&p[3]), 12));
  EXPECT_EQ(bytes.substr(108, 20), std::string(20, 0x33));
  EXPECT_FLOAT_EQ(mesh->BoxMax.x, 4);
  EXPECT_FLOAT_EQ(mesh->BoxMin.z, -2);
}

TEST_F(Mesh, TheReservedHeaderBytesAreNotRead) {
  auto a = Load(MeshFile00(Triangle(), {0, 1, 2}, 0), "a.x");
  auto b = Load(MeshFile00(Triangle(), {0, 1, 2}, static_cast<char>(0xA5)), "b.x");
  EXPECT_EQ(b->VertexBuffer()->FVF(), 0x1D2u);
  EXPECT_EQ(Bytes(*a->VertexBuffer(), 120), Bytes(*b->VertexBuffer(), 120));
  EXPECT_EQ(b->TriangleCount, 1u);
}

TEST_F(Mesh, LoadingStartsAtTheStreamPosition) {
  dg::TMemoryStream stream;
  const std::string prefix(77, 'z');
  const std::string file = MeshFile02(D3DFVF_XYZ, 12, {{1, 2, 3}, {3, 2, 1}, {0, 0, 0}}, {2, 1, 0});
  stream.Write(prefix.data(), prefix.size());
  stream.Write(file.data(), file.size());
  stream.SetPosition(77);
  TSXMesh mesh(*carad_);
  mesh.LoadFromStream(stream);
  EXPECT_EQ(Bytes(*mesh.IndexBuffer(), 6), sxtest::Indices({2, 1, 0}));
  EXPECT_FLOAT_EQ(mesh.BoxMax.x, 3);
}

TEST_F(Mesh, AnArchiveEntryLoadsLikeThePlainFile) {
  const std::string file = MeshFile00(Triangle(), {0, 2, 1});
  const testarc::Bytes data(file.begin(), file.end());
  for (bool packed : {false, true}) {
    const testarc::Bytes archive = testarc::BuildArchive(packed, {{"other", {1, 2, 3}}, {"crmd_7", data}});
    const std::string path = scratch::Path(packed ? "packed.lba" : "plain.lba");
    scratch::WriteAll(path, archive);
    TSXMesh mesh(*carad_);
    mesh.LoadFromFile("CRMD_7", path);  // IDs compare without regard to case
    ASSERT_NE(mesh.IndexBuffer(), nullptr) << packed;
    EXPECT_EQ(Bytes(*mesh.IndexBuffer(), 6), sxtest::Indices({0, 2, 1})) << packed;
    EXPECT_FLOAT_EQ(mesh.Radius, 0.70710677f) << packed;
  }
}

TEST_F(Mesh, BoundsAreTheBoxOfThePositionsAndTheSphereAroundIt) {
  auto mesh = Load(MeshFile00({V00(1, -2, 3), V00(-3, 4, 0), V00(2, 1, 7), V00(0, 0, -1)}, {0, 1, 2}));
  EXPECT_EQ(mesh->BoxMin.x, -3);
  EXPECT_EQ(mesh->BoxMin.y, -2);
  EXPECT_EQ(mesh->BoxMin.z, -1);
  EXPECT_EQ(mesh->BoxMax.x, 2);
  EXPECT_EQ(mesh->BoxMax.y, 4);
  EXPECT_EQ(mesh->BoxMax.z, 7);
  EXPECT_FLOAT_EQ(mesh->Center.x, -0.5f);
  EXPECT_FLOAT_EQ(mesh->Center.y, 1);
  EXPECT_FLOAT_EQ(mesh->Center.z, 3);
  EXPECT_FLOAT_EQ(mesh->Radius, 0.5f * std::sqrt(25.0f + 36.0f + 64.0f));
}

TEST_F(Mesh, ASingleVertexHasAPointBoxAndRadiusZero) {
  auto mesh = Load(MeshFile00({V00(1.5f, -2, 3)}, {0}));
  EXPECT_EQ(mesh->BoxMin.x, 1.5f);
  EXPECT_EQ(mesh->BoxMax.x, 1.5f);
  EXPECT_EQ(mesh->Center.z, 3);
  EXPECT_EQ(mesh->Radius, 0);
  dev().ClearCalls();
  mesh->Draw();
  EXPECT_EQ(dev().Count("DrawIndexedPrimitive"), 0u);  // fewer than three indices
}

TEST_F(Mesh, LeftoverIndicesAreIgnored) {
  auto mesh = Load(MeshFile00(Triangle(), {0, 1, 2, 2, 1, 0, 0, 1}));
  EXPECT_EQ(mesh->TriangleCount, 2u);
  dev().ClearCalls();
  mesh->Draw();
  EXPECT_EQ(Calls({"DrawIndexedPrimitive"}), std::vector<std::string>{"DrawIndexedPrimitive(4, 0, 0, 3, 0, 2)"});
}

TEST_F(Mesh, DrawingSplitsAtMaxPrimitiveCount) {
  d3d_->caps.MaxPrimitiveCount = 100;
  auto mesh = Load(MeshFile00(Triangle(), Triangles(250)));
  dev().ClearCalls();
  mesh->Draw();
  EXPECT_EQ(Calls({"DrawIndexedPrimitive"}), (std::vector<std::string>{"DrawIndexedPrimitive(4, 0, 0, 3, 0, 100)",
                                                                       "DrawIndexedPrimitive(4, 0, 0, 3, 300, 100)",
                                                                       "DrawIndexedPrimitive(4, 0, 0, 3, 600, 50)"}));
}

TEST_F(Mesh, ADeviceWithoutPrimitivesDrawsNothingAndReturns) {
  d3d_->caps.MaxPrimitiveCount = 0;
  auto mesh = Load(MeshFile00(Triangle(), Triangles(2)));
  dev().ClearCalls();
  mesh->Draw();
  EXPECT_EQ(dev().Count("DrawIndexedPrimitive"), 0u);
}

TEST_F(Mesh, ASecondLoadReplacesBothBuffersAndTheBounds) {
  auto mesh = Load(MeshFile00(Triangle(), {0, 1, 2}), "first.x");
  const std::size_t resources = carad_->Resources().size();
  mesh->LoadFromFile(
      sxtest::WriteScratch("second.x", MeshFile02(D3DFVF_XYZ, 12, {{5, 5, 5}, {6, 7, 8}}, {0, 1, 1, 0, 1, 0})));
  EXPECT_EQ(carad_->Resources().size(), resources);  // the old buffers went
  EXPECT_EQ(mesh->VertexBuffer()->VertexSize(), 12u);
  EXPECT_EQ(mesh->IndexBuffer()->Count(), 6u);
  EXPECT_EQ(mesh->TriangleCount, 2u);
  EXPECT_EQ(mesh->BoxMin.x, 5);
  EXPECT_EQ(mesh->BoxMax.z, 8);
}

TEST_F(Mesh, MoreVerticesThanTheHardwareIndexesIsLoggedAndLoadingGoesOn) {
  d3d_->caps.MaxVertexIndex = 2;
  auto mesh = Load(MeshFile00({V00(0, 0, 0), V00(1, 0, 0), V00(0, 1, 0), V00(9, 9, 9)}, {0, 1, 3}));
  EXPECT_TRUE(
      testlog::Contains(Log(), "ZIRer : このハードウェアでは、最大 2 までしか頂点インデクスを振る事ができません"));
  EXPECT_EQ(mesh->BoxMax.x, 9);
}

TEST_F(Mesh, TheBuffersComeBackWithTheirBytesAfterTheDeviceIsRecreated) {
  auto mesh = Load(MeshFile00(Triangle(), {2, 0, 1}));
  carad_->SetWindowMode(kWidth, kHeight, {}, 0, D3DSWAPEFFECT_DISCARD, D3DMULTISAMPLE_NONE, 0);
  EXPECT_EQ(Bytes(*mesh->IndexBuffer(), 6), sxtest::Indices({2, 0, 1}));
  dev().ClearCalls();
  mesh->Draw();
  EXPECT_EQ(dev().Count("DrawIndexedPrimitive"), 1u);
}

// ---- files that end the process ----

namespace {

// Runs `load` in a child process; it must end with exit code 1, and the log's last line must be
// `line`. (No ASSERT here: a child re-running the test passes the earlier checks on its way.)
#define EXPECT_MESH_HALT(load, line)                                            \
  do {                                                                          \
    GTEST_FLAG_SET(death_test_style, "threadsafe");                             \
    EXPECT_EXIT(                                                                \
        {                                                                       \
          load;                                                                 \
          std::fputs("went on", stderr);                                        \
          std::exit(3);                                                         \
        },                                                                      \
        ::testing::ExitedWithCode(dg::kHaltExitCode), "the run ends: ZIRer: "); \
    const std::vector<std::string> lines = Log();                               \
    EXPECT_EQ(lines.empty() ? std::string("(no log)") : lines.back(), line);    \
  } while (0)

const std::string kInvalid = "ZIRer: 不正なSXファイルです";
const std::string kReadError = "ZIRer: ストリームからの読み込み中にエラーが発生しました";

}  // namespace

TEST_F(MeshDeathTest, AMissingFileEndsTheProcessAfterItsLine) {
  const std::string path = scratch::Path("no_such_mesh.x");
  scratch::Remove(path);
  EXPECT_MESH_HALT(TSXMesh(*carad_).LoadFromFile(path), "ZIRer: " + path + " が、開けません");
}

TEST_F(MeshDeathTest, AMissingArchiveOrEntryEndsTheProcessAfterItsLine) {
  const std::string path = scratch::Path("meshes.lba");
  scratch::WriteAll(path, testarc::BuildArchive(false, {{"a", {1, 2}}}));
  EXPECT_MESH_HALT(TSXMesh(*carad_).LoadFromFile("b", path), "ZIRer: " + path + " 内の、bが抽出できません");
  const std::string missing = scratch::Path("no_such.lba");
  scratch::Remove(missing);
  EXPECT_MESH_HALT(TSXMesh(*carad_).LoadFromFile("a", missing), "ZIRer: " + missing + " 内の、aが抽出できません");
}

TEST_F(MeshDeathTest, AWrongMagicIsAnInvalidFile) {
  std::string file = MeshFile00(Triangle(), {0, 1, 2});
  file[13] = '1';  // "Simplified_X01  "
  EXPECT_MESH_HALT(Load(file), kInvalid);
  file = MeshFile00(Triangle(), {0, 1, 2});
  file[15] = '\0';  // a terminating zero instead of the second space
  EXPECT_MESH_HALT(Load(file), kInvalid);
  EXPECT_MESH_HALT(Load("Simplified_X0"), kInvalid);  // shorter than the magic
}

TEST_F(MeshDeathTest, NoVerticesNoIndicesATooSmallStrideOrAnIndexPastTheVerticesIsAnInvalidFile) {
  EXPECT_MESH_HALT(Load(sxtest::MeshHeader("Simplified_X00  ", 0, 0)), kInvalid);
  EXPECT_MESH_HALT(Load(MeshFile02(D3DFVF_XYZ, 12, {}, {})), kInvalid);
  EXPECT_MESH_HALT(Load(MeshFile00(Triangle(), {})), kInvalid);
  EXPECT_MESH_HALT(Load(MeshFile02(D3DFVF_XYZ, 12, {{1, 2, 3}}, {})), kInvalid);
  std::string small = sxtest::MeshHeader("Simplified_X02  ", 3, 3, D3DFVF_XYZ, 8);
  small += std::string(24, '\0') + sxtest::Indices({0, 1, 2});
  EXPECT_MESH_HALT(Load(small), kInvalid);
  EXPECT_MESH_HALT(Load(MeshFile00(Triangle(), {0, 1, 3})), kInvalid);
  EXPECT_MESH_HALT(Load(MeshFile00(Triangle(), {0xFFFF, 1, 2})), kInvalid);
}

TEST_F(MeshDeathTest, DataCutShortIsAReadError) {
  const std::string file = MeshFile00(Triangle(), {0, 1, 2});
  EXPECT_MESH_HALT(Load(file.substr(0, file.size() - 1)), kReadError);  // last index byte
  EXPECT_MESH_HALT(Load(file.substr(0, 256 + 100)), kReadError);        // inside the vertices
  EXPECT_MESH_HALT(Load(file.substr(0, 18)), kReadError);               // inside the counts
  // A stride that asks for far more than the file holds is refused before any buffer is made.
  EXPECT_MESH_HALT(Load(sxtest::MeshHeader("Simplified_X02  ", 65535, 3, D3DFVF_XYZ, 0x40000000u) + "x"), kReadError);
}

TEST_F(MeshDeathTest, WithoutTheLogTheProcessWritesNoFileButSaysWhyOnStderr) {
  const std::string path = scratch::Path("no_mesh_here.x");
  scratch::Remove(path);
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        dg::AssignDebugOption(0);
        TSXMesh(*carad_).LoadFromFile(path);
        std::exit(3);
      },
      ::testing::ExitedWithCode(dg::kHaltExitCode), "the run ends: ZIRer: ");
  EXPECT_TRUE(Log().empty());
}
