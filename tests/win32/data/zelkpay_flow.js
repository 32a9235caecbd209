// A page's payment through ZelkPayWeb: the library is set up, the service
// run, its fields read and the library let go. Prints one "name=value" line
// a step; Korean texts are compared here and only the outcome printed. The
// file is plain ASCII: the script host reads it in the ANSI code page.
var pay = new ActiveXObject("ZELKPAYWEB.ZelkPayWebCtrl.1");

function say(name, value) {
  WScript.Echo(name + "=" + value);
}

function repeat(text, count) {
  var out = "";
  for (var i = 0; i < count; ++i) out += text;
  return out;
}

say("init", pay.Initialize());
say("common", pay.SetCommonData("1234567890", "0042", "P", "TMP", "0"));
say("credit", pay.SetCreditInfo("9410123456781234=3012", "K", "EK01", "PW"));
say("amount", pay.SetAmountInfo("1004", "03", "0", "91", "410"));
say("store", pay.SetMemberStoreInfo("\uCE74\uBCF4\uB9B0\uC0C1\uC810"));
say("sign", pay.SetSignInfo("1", "KEY", "MAC", "AQID/w=="));
say("dsc", pay.SetDSCSignData("AAEC"));
say("telecom", pay.SetPointDongleTelecomType("KT"));
say("service", pay.ExecuteService("D1"));
say("auth", pay.GetAuthNumber());
say("message", pay.GetResponseMessage() == "\uC815\uC0C1\uC2B9\uC778");
say("version", pay.GetVersion());
say("response", pay.GetResponseText().length);
say("request", "[" + pay.GetRequestText("X9") + "]");
say("discount", pay.GetPointBackDiscountData());
say("result", pay.GetPointBackResultData());
say("download", pay.GetDownloadResponseMsg());
say("agency", pay.GetDownloadAgencyTel());
say("member", pay.GetDongleLogonMemberName(3));
say("sequence", pay.GetSequenceNum());
say("logon", pay.ExecuteExDevLogonService("T1", "D1", "C1", "P1", "H1", "S1", "SAM"));
say("logoncode", pay.GetExDevLogonResCode());
say("logonmsg", pay.GetExDevLogonResMsg());
say("send", pay.ExecuteSendRequest("REQ"));
say("sendresult", pay.GetSendRequestResult());
say("refused", pay.SetCommonData("9999999999", "0043", "P", "TMP", "1"));
say("toolong", pay.SetDSCSignData(repeat("AAAA", 1366)));
say("uninit", pay.UnInitialize());
say("done", 1);
