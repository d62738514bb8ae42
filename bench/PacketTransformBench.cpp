// Encode and decode of one 1 KiB record with the AES layer on (the game connection's setting),
// beside OpenSSL's EVP AES-128-ECB over the same bytes, to show what the framing, the layer
// headers and the buffer copies add to the cipher itself.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <vector>

#include "net/ChunkFraming.h"
#include "net/DecomposePacket.h"
#include "net/PacketTransformer.h"

namespace {

constexpr int RECORD_BYTES = 1024;
constexpr int LARGEST_PAYLOAD = 4000;
const BYTE KEY[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

struct Sample {
  std::vector<BYTE> data;
  PacketRecord record{};
  // The zip layer as the crypt layer sees it, zero-padded to whole blocks plus one.
  std::vector<BYTE> cipherInput;
  // Envelope words and chunks, as reassembly hands them to DecomposePacket.
  std::vector<BYTE> block;

  Sample() : data(RECORD_BYTES) {
    for (int i = 0; i < RECORD_BYTES; ++i) data[i] = static_cast<BYTE>(i * 7 + 3);
    record.head.code = 211000;
    record.length = RECORD_BYTES;
    record.data = data.data();

    CByteBuffer stream;
    AppendPacketStream(stream, record);
    CPacketTransformer zipOnly(KEY, 128, 0, 0);
    zipOnly.ZipStep(stream, LAYER_WRAP);
    cipherInput.assign(stream.PtrAt(0), stream.PtrAt(0) + stream.GetLength());
    cipherInput.resize(CCryptLayer::GetOutputSize(stream.GetLength()), 0);

    CByteBuffer encoded, chunks;
    AppendPacketStream(encoded, record);
    CPacketTransformer transformer(KEY, 128, CRYPT_LAYER_FLAG, 0);
    transformer.Process(encoded, TRANSFORM_ENCODE);
    SplitIntoChunks(encoded, chunks, LARGEST_PAYLOAD);
    block.resize(PACKET_ENVELOPE_SIZE);
    WritePacketEnvelope(block.data(), PacketEnvelope{5, 1, 1, 1, {0, 0}});
    block.insert(block.end(), chunks.PtrAt(0), chunks.PtrAt(0) + chunks.GetLength());
  }
};

// As the connection sends a request: the record encoded into a stream, the stream cut into chunks.
void EncodeRequest(const PacketRecord& record, CByteBuffer& stream, CByteBuffer& chunks) {
  CPacketTransformer transformer(KEY, 128, CRYPT_LAYER_FLAG, 0);
  transformer.EncodeRecord(stream, record);
  SplitIntoChunks(stream, chunks, LARGEST_PAYLOAD);
}

const Sample& TheSample() {
  static const Sample sample;
  return sample;
}

void BM_EncodePacket(benchmark::State& state) {
  const Sample& sample = TheSample();
  CByteBuffer stream, chunks;
  for (auto _ : state) {
    EncodeRequest(sample.record, stream, chunks);
    benchmark::DoNotOptimize(chunks.PtrAt(0));
  }
  state.SetBytesProcessed(state.iterations() * RECORD_BYTES);
}
BENCHMARK(BM_EncodePacket);

// A notification: decoded into new records, as they are posted to the receiver.
void BM_DecodePacket(benchmark::State& state) {
  const Sample& sample = TheSample();
  for (auto _ : state) {
    PacketEnvelope* envelope = nullptr;
    PacketRecord* record = nullptr;
    if (!DecomposePacket(sample.block.data(), static_cast<DWORD>(sample.block.size()), &envelope,
                         &record, KEY, 128, CRYPT_LAYER_FLAG, 0, LARGEST_PAYLOAD)) {
      state.SkipWithError("decode failed");
      break;
    }
    benchmark::DoNotOptimize(record->data);
    delete envelope;
    FreePacketData(record);
    delete record;
  }
  state.SetBytesProcessed(state.iterations() * RECORD_BYTES);
}
BENCHMARK(BM_DecodePacket);

// A reply: decoded into the records of the waiting request, its data block handed on.
void BM_DecodeReply(benchmark::State& state) {
  const Sample& sample = TheSample();
  for (auto _ : state) {
    PacketEnvelope envelope{};
    PacketRecord record{};
    if (!DecomposePacketInto(sample.block.data(), static_cast<DWORD>(sample.block.size()), &envelope, &record, KEY,
                             128, LARGEST_PAYLOAD)) {
      state.SkipWithError("decode failed");
      break;
    }
    benchmark::DoNotOptimize(record.data);
    FreePacketData(&record);
  }
  state.SetBytesProcessed(state.iterations() * RECORD_BYTES);
}
BENCHMARK(BM_DecodeReply);

// The cipher alone: one context keyed once, ECB without padding over the same padded bytes.
void BM_RawEvpAes128Ecb(benchmark::State& state) {
  const Sample& sample = TheSample();
  std::vector<BYTE> out(sample.cipherInput.size());
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(ctx, EVP_aes_128_ecb(), nullptr, KEY, nullptr);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  for (auto _ : state) {
    int written = 0;
    EVP_EncryptUpdate(ctx, out.data(), &written, sample.cipherInput.data(),
                      static_cast<int>(sample.cipherInput.size()));
    benchmark::DoNotOptimize(out.data());
  }
  EVP_CIPHER_CTX_free(ctx);
  state.SetBytesProcessed(state.iterations() * RECORD_BYTES);
}
BENCHMARK(BM_RawEvpAes128Ecb);

// The same work on both sides: a packet encoded and the received one decoded, against the
// cipher enciphering and deciphering the same padded bytes with contexts keyed once, as a
// connection keeps one per direction. The request and its reply: the request encoded as the
// sender does, the reply decoded as the connection hands it to the waiting sender.
void BM_EncodeAndDecodeRequest(benchmark::State& state) {
  const Sample& sample = TheSample();
  CByteBuffer stream, chunks;
  for (auto _ : state) {
    EncodeRequest(sample.record, stream, chunks);
    benchmark::DoNotOptimize(chunks.PtrAt(0));
    PacketEnvelope envelope{};
    PacketRecord record{};
    if (!DecomposePacketInto(sample.block.data(), static_cast<DWORD>(sample.block.size()), &envelope, &record, KEY,
                             128, LARGEST_PAYLOAD)) {
      state.SkipWithError("decode failed");
      break;
    }
    benchmark::DoNotOptimize(record.data);
    FreePacketData(&record);
  }
  state.SetBytesProcessed(state.iterations() * RECORD_BYTES);
}
BENCHMARK(BM_EncodeAndDecodeRequest);

// The same with the received packet decoded as a notification, into new records.
void BM_EncodeAndDecodePacket(benchmark::State& state) {
  const Sample& sample = TheSample();
  CByteBuffer stream, chunks;
  for (auto _ : state) {
    EncodeRequest(sample.record, stream, chunks);
    benchmark::DoNotOptimize(chunks.PtrAt(0));
    PacketEnvelope* envelope = nullptr;
    PacketRecord* record = nullptr;
    if (!DecomposePacket(sample.block.data(), static_cast<DWORD>(sample.block.size()), &envelope,
                         &record, KEY, 128, CRYPT_LAYER_FLAG, 0, LARGEST_PAYLOAD)) {
      state.SkipWithError("decode failed");
      break;
    }
    benchmark::DoNotOptimize(record->data);
    delete envelope;
    FreePacketData(record);
    delete record;
  }
  state.SetBytesProcessed(state.iterations() * RECORD_BYTES);
}
BENCHMARK(BM_EncodeAndDecodePacket);

void BM_RawEvpAes128EcbBothWays(benchmark::State& state) {
  const Sample& sample = TheSample();
  std::vector<BYTE> cipher(sample.cipherInput.size()), plain(sample.cipherInput.size());
  EVP_CIPHER_CTX* enc = EVP_CIPHER_CTX_new();
  EVP_CIPHER_CTX* dec = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(enc, EVP_aes_128_ecb(), nullptr, KEY, nullptr);
  EVP_DecryptInit_ex(dec, EVP_aes_128_ecb(), nullptr, KEY, nullptr);
  EVP_CIPHER_CTX_set_padding(enc, 0);
  EVP_CIPHER_CTX_set_padding(dec, 0);
  for (auto _ : state) {
    int written = 0;
    EVP_EncryptUpdate(enc, cipher.data(), &written, sample.cipherInput.data(),
                      static_cast<int>(sample.cipherInput.size()));
    benchmark::DoNotOptimize(cipher.data());
    EVP_DecryptUpdate(dec, plain.data(), &written, cipher.data(), static_cast<int>(cipher.size()));
    benchmark::DoNotOptimize(plain.data());
  }
  EVP_CIPHER_CTX_free(enc);
  EVP_CIPHER_CTX_free(dec);
  state.SetBytesProcessed(state.iterations() * RECORD_BYTES);
}
BENCHMARK(BM_RawEvpAes128EcbBothWays);

}  // namespace

BENCHMARK_MAIN();
