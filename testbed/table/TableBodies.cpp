#include "testbed/table/TableBodies.h"

namespace testbed {

namespace {

void WriteIdentity(TableBodyWriter& w, const Identity& id) {
  w.Int(0, id.userId).Int(4, id.roomId).Int(8, id.table).Int(12, id.chair);
}

Identity ReadIdentity(const TableBodyReader& r) {
  return Identity{r.Int(0), r.Int(4), r.Int(8), r.Int(12)};
}

}  // namespace

BodyData IdentityBody::Write() const {
  TableBodyWriter w(size < SIZE ? SIZE : size);
  WriteIdentity(w, id);
  return w.Take();
}

std::optional<IdentityBody> IdentityBody::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(SIZE)) return std::nullopt;
  IdentityBody b;
  b.id = ReadIdentity(r);
  b.size = r.Size();
  return b;
}

BodyData PassBody::Write() const {
  TableBodyWriter w(SIZE);
  WriteIdentity(w, id);
  w.Int(16, offerChair).Int(20, tile);
  return w.Take();
}

std::optional<PassBody> PassBody::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(SIZE)) return std::nullopt;
  return PassBody{ReadIdentity(r), r.Int(16), r.Int(20)};
}

BodyData MeldRecord::Write() const {
  TableBodyWriter w(SIZE);
  WriteIdentity(w, id);
  w.Int(16, otherChair);
  for (size_t k = 0; k < tiles.size(); ++k) w.Int(20 + 4 * k, tiles[k]);
  w.Int(36, kind).Int(40, replacement).Int(44, replacementWall);
  return w.Take();
}

std::optional<MeldRecord> MeldRecord::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(SIZE)) return std::nullopt;
  MeldRecord m;
  m.id = ReadIdentity(r);
  m.otherChair = r.Int(16);
  for (size_t k = 0; k < m.tiles.size(); ++k) m.tiles[k] = r.Int(20 + 4 * k);
  m.kind = r.Int(36);
  m.replacement = r.Int(40);
  m.replacementWall = r.Int(44);
  return m;
}

BodyData HuBody::Write() const {
  TableBodyWriter w(SIZE);
  WriteIdentity(w, id);
  w.Int(16, offerChair).Int(20, tile).Int(24, kind).Int(28, robbedKind);
  return w.Take();
}

std::optional<HuBody> HuBody::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(SIZE)) return std::nullopt;
  return HuBody{ReadIdentity(r), r.Int(16), r.Int(20), r.Int(24), r.Int(28)};
}

BodyData DiscardBody::Write() const {
  const size_t n = tiles.size() > MAX_TILES ? MAX_TILES : tiles.size();
  TableBodyWriter w(SIZE + 4 * n);
  WriteIdentity(w, seat);
  w.Int(16, forOther).Int(20, senderTable).Int(24, senderChair).Int(28, senderUserId);
  w.Text(32, 32, machineId);
  w.Int(80, own).Int(100, static_cast<int>(n));
  for (size_t k = 0; k < n; ++k) w.Int(SIZE + 4 * k, tiles[k]);
  return w.Take();
}

std::optional<DiscardBody> DiscardBody::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(SIZE)) return std::nullopt;
  const int n = r.Int(100);
  if (n < 0 || n > MAX_TILES || !r.Has(SIZE + 4 * static_cast<size_t>(n))) return std::nullopt;
  DiscardBody d;
  d.seat = ReadIdentity(r);
  d.forOther = r.Int(16);
  d.senderTable = r.Int(20);
  d.senderChair = r.Int(24);
  d.senderUserId = r.Int(28);
  for (size_t k = 0; k < 32 && body[32 + k] != 0; ++k) d.machineId.push_back(static_cast<char>(body[32 + k]));
  d.own = r.Int(80);
  for (int k = 0; k < n; ++k) d.tiles.push_back(r.Int(SIZE + 4 * static_cast<size_t>(k)));
  return d;
}

BodyData DrawBody::Write() const {
  TableBodyWriter w(SIZE);
  WriteIdentity(w, seat);
  w.Int(16, forOther).Int(20, senderTable).Int(24, senderChair).Int(28, senderUserId);
  return w.Take();
}

std::optional<DrawBody> DrawBody::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(SIZE)) return std::nullopt;
  return DrawBody{ReadIdentity(r), r.Int(16), r.Int(20), r.Int(24), r.Int(28)};
}

BodyData FlowerBody::Write() const {
  TableBodyWriter w(SIZE);
  WriteIdentity(w, id);
  w.Int(16, flower);
  return w.Take();
}

std::optional<FlowerBody> FlowerBody::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(SIZE)) return std::nullopt;
  return FlowerBody{ReadIdentity(r), r.Int(16)};
}

BodyData PermissionBody::Write() const {
  TableBodyWriter w(SIZE);
  WriteIdentity(w, id);
  w.Int(16, watcherUserId).Int(20, allow);
  return w.Take();
}

std::optional<PermissionBody> PermissionBody::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(SIZE)) return std::nullopt;
  return PermissionBody{ReadIdentity(r), r.Int(16), r.Int(20)};
}

BodyData ReturnBody::Write() const {
  TableBodyWriter w(SIZE);
  WriteIdentity(w, id);
  w.Int(16, value);
  return w.Take();
}

std::optional<ReturnBody> ReturnBody::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(SIZE)) return std::nullopt;
  return ReturnBody{ReadIdentity(r), r.Int(16)};
}

BodyData DrawRecord::Write() const {
  TableBodyWriter w(SIZE);
  w.Int(0, chair).Int(4, tile).Int(8, wallIndex).Int(12, flags);
  return w.Take();
}

std::optional<DrawRecord> DrawRecord::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(SIZE)) return std::nullopt;
  return DrawRecord{r.Int(0), r.Int(4), r.Int(8), r.Int(12)};
}

BodyData TileDiscardedNote::Write() const {
  TableBodyWriter w(SIZE);
  w.Int(0, userId).Int(4, chair);
  for (size_t k = 0; k < words.size(); ++k) w.Int(24 + 4 * k, words[k]);
  w.Int(84, tile);
  return w.Take();
}

std::optional<TileDiscardedNote> TileDiscardedNote::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(SIZE)) return std::nullopt;
  TileDiscardedNote n;
  n.userId = r.Int(0);
  n.chair = r.Int(4);
  for (size_t k = 0; k < n.words.size(); ++k) n.words[k] = r.Int(24 + 4 * k);
  n.tile = r.Int(84);
  return n;
}

BodyData ChairNote::Write() const {
  TableBodyWriter w(size < SIZE ? SIZE : size);
  WriteIdentity(w, id);
  w.Int(16, kind);
  return w.Take();
}

std::optional<ChairNote> ChairNote::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(SIZE)) return std::nullopt;
  return ChairNote{ReadIdentity(r), r.Int(16), r.Size()};
}

BodyData GangAnnouncedNote::Write() const {
  TableBodyWriter w(SIZE);
  w.Int(0, actor).Int(4, giver).Int(8, tile).Int(12, kind);
  for (size_t k = 0; k < words.size(); ++k) w.Int(16 + 4 * k, words[k]);
  return w.Take();
}

std::optional<GangAnnouncedNote> GangAnnouncedNote::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(SIZE)) return std::nullopt;
  GangAnnouncedNote n{r.Int(0), r.Int(4), r.Int(8), r.Int(12)};
  for (size_t k = 0; k < n.words.size(); ++k) n.words[k] = r.Int(16 + 4 * k);
  return n;
}

BodyData FlowerNote::Write() const {
  TableBodyWriter w(SIZE);
  WriteIdentity(w, id);
  w.Int(16, flower).Int(20, replacement).Int(24, wallIndex);
  return w.Take();
}

std::optional<FlowerNote> FlowerNote::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(28)) return std::nullopt;
  return FlowerNote{ReadIdentity(r), r.Int(16), r.Int(20), r.Int(24)};
}

BodyData PlayerStartedNote::Write() const {
  TableBodyWriter w(SIZE);
  WriteIdentity(w, id);
  return w.Take();
}

std::optional<PlayerStartedNote> PlayerStartedNote::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(16)) return std::nullopt;
  return PlayerStartedNote{ReadIdentity(r)};
}

BodyData SeeHandAskNote::Write() const {
  TableBodyWriter w(SIZE);
  w.Int(0, watcherUserId);
  return w.Take();
}

std::optional<SeeHandAskNote> SeeHandAskNote::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(4)) return std::nullopt;
  return SeeHandAskNote{r.Int(0)};
}

BodyData HandShownNote::Write() const {
  TableBodyWriter w(SIZE);
  WriteIdentity(w, player);
  w.Int(16, watcherUserId).Int(20, allow);
  return w.Take();
}

std::optional<HandShownNote> HandShownNote::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(SIZE)) return std::nullopt;
  return HandShownNote{ReadIdentity(r), r.Int(16), r.Int(20)};
}

BodyData HandRefreshNote::Write() const {
  const size_t n = tiles.size() > MAX_TILES ? MAX_TILES : tiles.size();
  TableBodyWriter w(SIZE + 4 * n);
  w.Int(0, userId).Int(4, chair).Int(8, static_cast<int>(n));
  for (size_t k = 0; k < n; ++k) w.Int(SIZE + 4 * k, tiles[k]);
  return w.Take();
}

std::optional<HandRefreshNote> HandRefreshNote::Read(std::span<const BYTE> body) {
  TableBodyReader r(body);
  if (!r.Has(SIZE)) return std::nullopt;
  const int n = r.Int(8);
  if (n < 0 || n > 32 || !r.Has(SIZE + 4 * static_cast<size_t>(n))) return std::nullopt;
  HandRefreshNote h{r.Int(0), r.Int(4), {}};
  for (int k = 0; k < n; ++k) h.tiles.push_back(r.Int(SIZE + 4 * static_cast<size_t>(k)));
  return h;
}

}  // namespace testbed
