// The receive side of a connection over arbitrary bytes: the stream is cut into units, each unit's
// head and CRC are checked, the segments of notifications and of an awaited reply are reassembled
// and the complete packets decoded. The bytes arrive in reads of a size the input chooses, so that
// units are split across reads as they are on a real socket.
#include <algorithm>
#include <string>

#include "fuzz/FuzzInput.h"
#include "net/CryptLayer.h"
#include "net/SocketConnection.h"
#include "net/ZipLayer.h"

namespace {

const BYTE KEY[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

// A connection without a socket whose reads return the fuzz bytes.
class FuzzConnection : public CSocketConnection {
 public:
  FuzzConnection(DWORD crypt, DWORD zip, const uint8_t* bytes, size_t count, size_t readSize)
      : CSocketConnection(KEY, 128, crypt, zip, 0, 4000), m_bytes(bytes), m_count(count), m_readSize(readSize) {}

  int Receive(SOCKET, BYTE* buffer, int size, std::string* sender, int* senderLength) override {
    if (sender) sender->clear();
    if (senderLength) *senderLength = 0;
    const size_t n = std::min({m_count - m_pos, m_readSize, static_cast<size_t>(size)});
    std::copy(m_bytes + m_pos, m_bytes + m_pos + n, buffer);
    m_pos += n;
    return static_cast<int>(n);
  }
  bool Done() const { return m_pos >= m_count; }

 private:
  const uint8_t* m_bytes;
  size_t m_count;
  size_t m_readSize;
  size_t m_pos = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t options = in.Byte();
  const DWORD crypt = (options & 1) ? CRYPT_LAYER_FLAG : 0;
  const DWORD zip = (options & 2) ? ZIP_LAYER_FLAG : 0;
  const DWORD awaited = (options & 4) ? in.Byte() : 0;
  const size_t readSize = 1 + in.Byte() * 64u;
  size_t count = 0;
  const uint8_t* bytes = in.Rest(&count);

  FuzzConnection connection(crypt, zip, bytes, count, readSize);
  if (!connection.AddPeer("127.0.0.1", 1)) return 0;
  PeerRecord* peer = connection.GetFirstPeer(nullptr);
  if (awaited) connection.SetExpectedReply(awaited, peer);
  // Each read event takes a bounded number of reads; a broken stream drops the rest.
  while (!connection.Done()) {
    if (!connection.OnSocketRead()) break;
  }
  return 0;
}
