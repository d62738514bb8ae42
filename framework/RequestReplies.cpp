#include "framework/RequestReplies.h"

#include "framework/ResultTexts.h"

bool GetLeaveRefusalText(int result, const CBodyReader& reply, CString& text) {
  switch (result) {
    case 210086:
      text = "生命不息，战斗不止，请继续游戏。\r\n(如果有玩家长时间不活动，请您等待2分钟后再退出)";
      return true;
    case 210085:
      if (reply.Has(4)) {
        text.Format("系统已经为您分配了随机桌位，\r\n\r\n必须再等 %d 秒钟才能离开。", reply.Int(0));
      } else {
        text = TEXT_REQUEST_FAILED;
      }
      return true;
    case 210087:
      text = "离开游戏失败，请等待本局结果提交。";
      return true;
    default:
      return false;
  }
}

void GetSilverRewardFailureText(int result, const CBodyReader& reply, const char* gameName, CString& text) {
  switch (result) {
    case 10100:
      text = TEXT_REQUEST_FAILED;
      break;
    case 211425:
      if (reply.Has(4)) {
        text.Format("高于房间最高银子限制【%d两】。", reply.Int(0));
      } else {
        text = TEXT_REQUEST_FAILED;
      }
      break;
    case 60042:
      text.Format("系统禁止在【%s】里存放银子。", gameName);
      break;
    default:
      GetAccountResultText(text, result);
      break;
  }
}

void GetDepositFailureText(int result, const CBodyReader& reply, const char* gameName, int* amount, CString& text) {
  switch (result) {
    case 60042:
      text.Format("系统禁止在【%s】里存放银子。", gameName);
      return;
    case 60005:
      text = "您的划帐数额超过现在拥有的金额。";
      return;
    case 211422:
      text = "正在玩的游戏不能划帐。";
      return;
    case 211421:
      text = "已经准备的游戏不能划帐。";
      return;
    case 211424:
    case 60070:
    case 60071:
      if (!reply.Has(4)) break;
      if (result == 211424) text.Format("低于房间最低银子限制【%d两】。", reply.Int(0));
      if (result == 60070) {
        text.Format("很抱歉，由于您在初次进入游戏房间时获赠了银两，\r\n请您至少玩 %d 局才能转出。", reply.Int(0));
      }
      if (result == 60071) {
        text.Format("很抱歉，由于您在初次进入游戏房间时获赠了银两，\r\n请您至少玩 %d 分钟才能转出。", reply.Int(0));
      }
      return;
    case 60092: {
      if (!reply.Has(8)) break;
      const int allowed = static_cast<int>(static_cast<int64_t>(reply.Int(0)) - reply.Int(4));
      text.Format("很抱歉，由于您在初次进入游戏房间时获赠了银两,系统只允许你转出%d两。(至少保留%d两)", allowed,
                  reply.Int(4));
      if (amount != nullptr) *amount = allowed;
      return;
    }
    default:
      GetSafeResultText(text, result);
      return;
  }
  text = TEXT_REQUEST_FAILED;
}

void GetWithdrawFailureText(int result, const CBodyReader& reply, const char* gameName, CString& text) {
  switch (result) {
    case 60042:
      text.Format("系统禁止在【%s】里存放银子。", gameName);
      return;
    case 60005:
      text = "您的保险箱里的银子不够。";
      return;
    case 1011:
      text = "保护密码计算结果错误。";
      return;
    case 211422:
      text = "正在玩的游戏不能划帐。";
      return;
    case 211421:
      text = "已经准备的游戏不能划帐。";
      return;
    case 211425:
      if (!reply.Has(4)) break;
      text.Format("高于房间最高银子限制【%d两】。", reply.Int(0));
      return;
    case 60029:
      text = "由于您连续的保护密码计算结果错误,系统禁止您在这段时间内取银子。";
      return;
    case 60086: {
      if (!reply.Has(8)) break;
      const int64_t used = reply.Int(0);
      const int64_t limit = reply.Int(4);
      if (limit - used < 1) {
        text.Format("系统限定每日划入【%s】不能超过%d两，\r\n今天您已经超限，到明天才能划银。", gameName,
                    static_cast<int>(limit));
      } else {
        text.Format("系统限定每日划入【%s】不能超过%d两，\r\n今天您最多还可以划入%d两。", gameName,
                    static_cast<int>(limit), static_cast<int>(limit - used));
      }
      return;
    }
    case 60095: {
      if (!reply.Has(16)) break;
      const long long used = reply.Int64(0);
      const long long limit = reply.Int64(8);
      // The difference of two values from the wire is taken without overflow.
      const long long left = static_cast<long long>(static_cast<unsigned long long>(limit) -
                                                    static_cast<unsigned long long>(used));
      if (limit <= used) {
        text.Format("系统限定每月划入游戏不能超过%lld两，\r\n本月您已经超限，到下个月才能划银。", limit);
      } else {
        text.Format("系统限定每月划入游戏总额不能超过%lld两，\r\n本月您最多还可以划入%lld两。", limit, left);
      }
      return;
    }
    default:
      GetSafeResultText(text, result);
      return;
  }
  text = TEXT_REQUEST_FAILED;
}
