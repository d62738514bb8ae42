// The World's timed tasks: adding, the per-frame walk, chains by key, groups and raw commands.
#include "engine/EngineClock.h"
#include "engine/World.h"

ApplyParams* ApplyParams::Init(ApplyParams* out, uint32_t interval, uint32_t code,
                               EventObject* object, uint32_t key) {
  *out = ApplyParams{};
  out->start = GetEngineTime();
  out->latch = out->start;
  out->interval = interval;
  out->completion = Event{code, object, key};
  return out;
}

int TimerElapsed(ApplyParams* params, uint32_t now) {
  // Unsigned differences keep the timer right across the wrap of the millisecond clock.
  if (now - params->start < params->interval) return 0;
  params->start = now;
  return 1;
}

uint32_t World::AddApply(uint32_t targetId, ApplyParams params, ApplyCallback callback,
                         uint32_t key, uint32_t flags, uint32_t holdValue, uint32_t mode) {
  if (targetId != 0) {
    Entity* target = FindEntity(targetId);
    if (target == nullptr || !target->IsOnLayer()) return 0;
  }
  Apply a;
  a.id = NewApplyId();
  a.flags = flags;
  a.params = params;
  a.targetId = static_cast<int32_t>(targetId);
  a.callback = callback;
  a.key = key;
  a.holdValue = holdValue;
  a.mode = mode;
  m_pending.push_back(a);
  return a.id;
}

uint32_t World::AddApplyWithParams(uint32_t targetId, const ApplyParams* params,
                                   ApplyCallback callback, uint32_t key, uint32_t flags,
                                   uint32_t holdValue, uint32_t mode) {
  if (params == nullptr || key > m_eventCounter) return 0;
  return AddApply(targetId, *params, callback, key, flags, holdValue, mode);
}

void World::QueueRawApply(const Apply& record) { m_pending.push_back(record); }

int World::RunApplies() {
  // A callback or a completion handler that asks for another walk gets none: the tasks it added
  // wait for the next frame.
  if (m_walking) return 1;
  m_now = UpdateEngineClock();
  MovePending();
  if (m_active.empty()) return 0;
  m_walking = true;
  for (auto it = m_active.begin(); it != m_active.end();) {
    Apply& a = *it;
    if (a.id == 0) {
      FinishApply(a, true, true);
      it = m_active.erase(it);
      continue;
    }
    Entity* target = nullptr;
    if (a.targetId != 0) {
      target = FindEntity(static_cast<uint32_t>(a.targetId));
      if (target == nullptr) {
        // The target went without its tasks being cancelled (an entity destroyed by another
        // task's end, say): the task ends as a cancelled one does, its event kept.
        a.id = 0;
        FinishApply(a, true, false);
        it = m_active.erase(it);
        continue;
      }
    }
    if (a.held || !TimerElapsed(&a.params, m_now)) {
      ++it;
      continue;
    }
    if (a.callback == nullptr || a.callback(target, &a.params, this, m_now) != 0) {
      FinishApply(a, true, true);
      it = m_active.erase(it);
    } else {
      ++it;
    }
  }
  m_walking = false;
  return 1;
}

void World::FinishApply(Apply& a, bool sendEvent, bool destroyTarget) {
  Event completion = a.params.completion;
  a.params.completion = Event{};
  if (sendEvent && completion.code != 0) {
    // A control that is gone takes nothing; the object then has no other owner.
    if (DispatchEvent(completion, 0) == 0) delete completion.object;
  } else {
    delete completion.object;
  }
  if (a.follower != 0) {
    if (Apply* next = FindActive(a.follower)) {
      ResumeOne(*next);
      if (a.flags & APPLY_FLAG_CHAIN_HEAD) next->flags |= APPLY_FLAG_CHAIN_HEAD;
    }
  } else if (a.group != 0) {
    GroupMemberDone(a.group);
  }
  if (a.params.ownsData) {
    delete a.params.data;
    a.params.data = nullptr;
    a.params.ownsData = 0;
  }
  if (destroyTarget && (a.flags & APPLY_FLAG_DESTROY_TARGET) && a.targetId != 0) {
    // Destroying through the id also cancels the entity's other tasks, so none of them is left
    // pointing at it.
    if (FindEntity(static_cast<uint32_t>(a.targetId)) != nullptr) {
      DestroyEntityById(static_cast<uint32_t>(a.targetId));
    }
  }
}

void World::Cancel(Apply& a, uint32_t drop) {
  a.id = 0;
  if (drop != 0) {
    a.params.completion.code = 0;
    if (drop == 1) {
      delete a.params.completion.object;
      a.params.completion.object = nullptr;
    }
  }
}

void World::CancelEntityApplies(uint32_t entityId, uint32_t level, uint32_t drop) {
  if (entityId == 0) return;
  for (Apply& a : m_active) {
    if (a.id != 0 && a.targetId == static_cast<int32_t>(entityId) && a.mode <= level) {
      Cancel(a, drop);
    }
  }
}

void World::ResumeOne(Apply& a) {
  a.held = 0;
  if (a.params.latch == a.params.start) a.params.latch = m_now;
  a.params.start = m_now;
}

Apply* World::FindActive(uint32_t id) {
  if (id == 0) return nullptr;
  for (Apply& a : m_active) {
    if (a.id == id) return &a;
  }
  return nullptr;
}

void World::MovePending() {
  std::list<Apply> pending;
  pending.swap(m_pending);
  for (Apply& a : pending) {
    if (a.id == 0) {
      ExecuteRaw(a);
      continue;
    }
    bool chained = false;
    if (a.key != 0) {
      for (Apply& x : m_active) {
        if (x.id != 0 && x.key == a.key && x.follower == 0) {
          x.follower = a.id;
          chained = true;
          break;
        }
      }
    }
    a.group = m_openGroup;
    ApplyGroup* open = nullptr;
    if (m_openGroup != 0) {
      auto it = m_groups.find(m_openGroup);
      if (it != m_groups.end()) open = &it->second;
    }
    if (a.key == 0 || !chained) {
      if (a.key != 0) a.flags |= APPLY_FLAG_CHAIN_HEAD;
      if (m_openGroup != 0) {
        a.held = 1;
        if (open) open->members++;
      }
    }
    if (chained || a.holdValue != 0) a.held = 1;
    m_active.push_back(a);
  }
}

void World::ExecuteRaw(const Apply& r) {
  switch (r.flags) {
    case APPLY_CMD_OPEN_GROUP: {
      const uint32_t previous = m_openGroup;
      m_openGroup = r.group;
      if (previous != 0) {
        m_outerGroup = previous;
        auto g = m_groups.find(r.group);
        auto p = m_groups.find(previous);
        if (g != m_groups.end() && p != m_groups.end()) {
          g->second.parent = previous;
          p->second.members++;
        }
      }
      break;
    }
    case APPLY_CMD_NEXT_GROUP: {
      const uint32_t id = NextEventId();
      m_groups[id] = ApplyGroup{};
      uint32_t g = m_openGroup;
      m_openGroup = id;
      auto it = m_groups.find(g);
      if (g == 0 || it == m_groups.end()) break;
      if (it->second.members == 0) {
        if (it->second.previous == 0) {
          m_openGroup = g;
          break;
        }
        const uint32_t prev = it->second.previous;
        const uint32_t next = it->second.next;
        if (auto p = m_groups.find(prev); p != m_groups.end()) p->second.next = next;
        if (auto n = m_groups.find(next); n != m_groups.end()) n->second.previous = prev;
        m_groups.erase(it);
        g = prev;
      }
      if (auto p = m_groups.find(g); p != m_groups.end()) {
        p->second.next = id;
        m_groups[id].previous = g;
      }
      break;
    }
    case APPLY_CMD_CLOSE_GROUP: {
      m_openGroup = 0;
      if (m_outerGroup != 0) {
        const uint32_t outer = m_outerGroup;
        m_openGroup = outer;
        auto it = m_groups.find(outer);
        m_outerGroup = it != m_groups.end() ? it->second.parent : 0;
      }
      break;
    }
    case APPLY_CMD_START_GROUP:
      StartGroup(r.group);
      break;
    case APPLY_CMD_RESUME_KEY:
      for (Apply& a : m_active) {
        if (a.id != 0 && a.key == r.key && (a.flags & APPLY_FLAG_CHAIN_HEAD)) {
          ResumeOne(a);
          break;
        }
      }
      break;
    case APPLY_CMD_RESUME_ENTITY:
      for (Apply& a : m_active) {
        if (a.targetId != 0 && a.targetId == static_cast<int32_t>(r.follower)) ResumeOne(a);
      }
      break;
    case APPLY_CMD_CANCEL:
      if (r.follower != 0) {
        for (Apply& a : m_active) {
          if (a.id == r.follower && a.mode <= r.mode) {
            Cancel(a, static_cast<uint32_t>(r.held));
            break;
          }
        }
      } else if (r.key != 0) {
        for (Apply& a : m_active) {
          if (a.id != 0 && a.key == r.key && a.mode <= r.mode) {
            Cancel(a, static_cast<uint32_t>(r.held));
          }
        }
      }
      break;
    case APPLY_CMD_CANCEL_ENTITY:
      CancelEntityApplies(r.follower, r.mode, static_cast<uint32_t>(r.held));
      break;
    case APPLY_CMD_HOLD_ENTITY:
      for (Apply& a : m_active) {
        if (a.id != 0 && a.targetId != 0 && a.targetId == static_cast<int32_t>(r.follower)) {
          a.held = 1;
          a.holdValue = r.holdValue ? r.holdValue : a.id;
        }
      }
      break;
    case APPLY_CMD_HOLD:
      HoldApply(r.follower, r.holdValue);
      break;
    default:
      break;
  }
}

void World::StartGroup(uint32_t id) {
  auto it = m_groups.find(id);
  if (it == m_groups.end()) return;
  it->second.previous = 0;
  // A nested group still being built starts with its parent.
  if (it->second.parent != 0 && it->second.parent == m_openGroup) return;
  for (Apply& a : m_active) {
    if (a.id != 0 && a.group == id && (a.key == 0 || (a.flags & APPLY_FLAG_CHAIN_HEAD))) {
      ResumeOne(a);
    }
  }
  std::vector<uint32_t> children;
  for (const auto& [gid, g] : m_groups) {
    if (g.parent == id && gid != id) children.push_back(gid);
  }
  for (uint32_t child : children) StartGroup(child);
}

void World::GroupMemberDone(uint32_t id) {
  auto it = m_groups.find(id);
  if (it == m_groups.end()) return;
  ApplyGroup& g = it->second;
  if (g.members > 0) g.members--;
  if (g.members != 0) return;
  const ApplyGroup done = g;
  if (done.next != 0) StartGroup(done.next);
  if (done.resumeKey != 0) {
    for (Apply& a : m_active) {
      if (a.id != 0 && a.key == done.resumeKey && (a.flags & APPLY_FLAG_CHAIN_HEAD)) {
        ResumeOne(a);
        break;
      }
    }
  }
  if (done.resumeApply != 0) ResumeApply(done.resumeApply);
  if (done.endEvent.code != 0) DispatchEvent(done.endEvent, 0);
  m_groups.erase(id);
  if (done.parent != 0 && done.parent != id) GroupMemberDone(done.parent);
}

int World::HasApplyFor(uint32_t entityId) const {
  for (const Apply& a : m_active) {
    if (a.targetId != 0 && a.targetId == static_cast<int32_t>(entityId)) return 1;
  }
  return 0;
}

int World::HasApplyKey(uint32_t key) const {
  for (const Apply& a : m_active) {
    if (a.key == key) return 1;
  }
  return 0;
}

uint32_t World::HoldApply(uint32_t id, uint32_t value) {
  Apply* a = FindActive(id);
  if (a == nullptr) return 0;
  a->held = 1;
  a->holdValue = value ? value : id;
  return a->holdValue;
}

int World::ResumeApply(uint32_t id) {
  Apply* a = FindActive(id);
  if (a == nullptr) return 0;
  ResumeOne(*a);
  return 1;
}

const ApplyGroup* World::FindGroup(uint32_t id) const {
  auto it = m_groups.find(id);
  return it == m_groups.end() ? nullptr : &it->second;
}
