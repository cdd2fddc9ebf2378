// The mesh loader on any bytes: TSXMesh::LoadFromStream from a memory stream, then the bounds and
// a draw on the recording device. A malformed file ends the program by design; here the halt hook
// turns that end into fuzz::Halted, so the run goes on with the next input.
//
// Input: byte 0 picks the start position inside the stream (0..3 bytes of padding before the
// file) and whether the device accepts few primitives per call; the rest is the mesh file.
// Properties: a mesh that loads has both buffers with the header's counts, every index below the
// vertex count, and draws all its triangles only within its buffers (the recording device checks
// every draw against the bound buffers and keeps what reached outside).
#include <cstdio>
#include <string>

#include "dg/stream.h"
#include "fuzz/harness.h"
#include "sx/mesh.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::ArmDiagnostics();
  fuzz::Device& device = fuzz::Device::Get();
  const std::uint32_t control = fuzz::Byte(data, size, 0);
  const std::size_t padding = control & 3;
  dg::TMemoryStream stream;
  const std::string pad(padding, 'p');
  stream.Write(pad.data(), pad.size());
  if (size > 1) stream.Write(data + 1, size - 1);
  stream.SetPosition(static_cast<std::int64_t>(padding));

  sx::TSXMesh mesh(device.Carad());
  if (control & 4) mesh.MaxPrimitiveCount = 1 + (control >> 4);
  try {
    mesh.LoadFromStream(stream);
  } catch (const fuzz::Halted&) {
    return 0;  // the program would have ended here, after its "ZIRer: " line
  }
  FUZZ_CHECK(mesh.VertexBuffer() != nullptr && mesh.IndexBuffer() != nullptr);
  const std::uint8_t* file = data + 1;
  const UINT vertices = static_cast<UINT>(file[16] | file[17] << 8);
  const UINT indices = static_cast<UINT>(file[18] | file[19] << 8);
  FUZZ_CHECK(mesh.VertexBuffer()->Count() == vertices);
  FUZZ_CHECK(mesh.IndexBuffer()->Count() == indices);
  FUZZ_CHECK(mesh.TriangleCount == indices / 3);
  const auto* ix = static_cast<const std::uint8_t*>(mesh.IndexBuffer()->Lock(0, 0, D3DLOCK_READONLY));
  for (UINT i = 0; ix && i < indices; ++i) FUZZ_CHECK(static_cast<UINT>(ix[2 * i] | ix[2 * i + 1] << 8) < vertices);
  mesh.IndexBuffer()->Unlock();
  mesh.ComputeBounds();
  auto* dev = static_cast<d3d9rec::RecordingDevice*>(device.Carad().Device());
  dev->ClearCalls();
  try {
    mesh.Draw();
  } catch (const fuzz::Halted&) {
  }
  for (const std::string& fault : dev->drawFaults) std::fprintf(stderr, "%s\n", fault.c_str());
  FUZZ_CHECK(dev->drawFaults.empty());
  std::uint64_t drawn = 0;
  for (const d3d9rec::Call& c : dev->calls) {
    if (c.method == "DrawIndexedPrimitive") drawn += c.args[5];
  }
  FUZZ_CHECK(drawn == (mesh.MaxPrimitiveCount > 0 ? mesh.TriangleCount : 0));
  return 0;
}
