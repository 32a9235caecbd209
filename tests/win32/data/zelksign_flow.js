// A page's signature and card read through ZelkSignWeb: the pad's display,
// the sign capture with its sequence number, the pad and signature fields,
// a dongle card read and the external device. Prints one "name=value" line
// a step. The file is plain ASCII: the script host reads it in the ANSI
// code page.
var sign = new ActiveXObject("ZELKSIGNWEB.ZelkSignWebCtrl.1");

function say(name, value) {
  WScript.Echo(name + "=" + value);
}

say("display", sign.SetDisplayOption(1, 10, 20));
say("view", sign.SetViewOption(2));
say("service", sign.SignPADService("CAT01", "9410", "12", "\uC11C\uBA85", "m2", "m3", "m4"));
say("letters", sign.SignPADService("CAT01", "9410", "abc", "m1", "m2", "m3", "m4"));
say("toolong", sign.SignPADService("CAT01", "9410", "1234567890", "m1", "m2", "m3", "m4"));
say("model", sign.GetSignPADModelNo());
say("compress", sign.GetSignPADCompressMethod());
say("signdata", sign.GetSignPADSignData());
say("hash", sign.GetSignPADHashData());
say("card", sign.DongleCardInfo("001", "CAT01", 3, "M1", 4, "M2"));
say("etcname", sign.GetDongleEtcCardName(2) == "\uC0BC\uC131");
say("etcinfo", sign.GetDongleEtcCardInfo(2));
say("count", sign.GetDongleEtcCardCount());
say("keyboard", sign.SetKeyboardCommand(1, 13, "OK", 27, "\uCDE8\uC18C"));
say("logon", sign.GetExDeviceLogonInfo());
say("sam", sign.GetExDevSAMInfo().length);
say("done", 1);
