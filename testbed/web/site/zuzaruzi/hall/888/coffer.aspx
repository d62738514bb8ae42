<html><head><meta charset="utf-8"><title>银行</title><style>body{font-family:SimSun;font-size:12px;margin:6px} h1{font-size:16px;color:#8b0000} a{color:#0000cc}</style></head><body>
<h1>保险箱说明</h1>
<p>存入保险箱的银子在游戏中不会输掉；取出时需要回答保护问题。</p>
<p><a href="kvyold://127.0.0.1:31390/help/index.html">帮助</a></p>
</body></html>
