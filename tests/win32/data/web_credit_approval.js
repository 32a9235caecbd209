// A page's whole credit approval through KAVORIN_Web: the approval, its
// fields, the voucher from the stored values, the signed voucher without
// and with business values, a voucher the control refuses, and DES texts.
// Prints one "name=value" line a step; Korean texts are compared here and
// only the outcome is printed. The file is plain ASCII: the script host
// reads it in the ANSI code page.
var control = new ActiveXObject("KAVORINWEB.KAVORINWebCtrl.1");

function say(name, value) {
  WScript.Echo(name + "=" + value);
}

say("auth", control.CreditAuth("", "9410123456781234=3012", "03", "1004", "0"));
var code = control.GetResponseCode();
var card = control.GetCardNumber();
var time = control.GetAuthTime();
var number = control.GetAuthNumber();
var member = control.GetMemberNumber();
say("code", code);
say("card", card);
say("amount", control.GetAuthAmount());
say("number", number);
say("display", control.GetDisplayData() == "\uC815\uC0C1\uC2B9\uC778");

control.PrintDataInit();
control.SetResCodePrintData(code);
control.SetCardNumPrintData(card);
control.SetInstallmentPrintData(control.GetInstallmentData());
control.SetAuthTimePrintData(time);
control.SetAuthAmountPrintData(control.GetAuthAmount());
control.SetAuthNumberPrintData(number);
control.SetIssuerNamePrintData("\uC2E0\uD55C\uCE74\uB4DC");
control.SetMemberNumPrintData(member);
control.SetAcquirNamePrintData(control.GetAcquirCode());
say("voucher", control.CreditAuthResultPrint());
say("signed", control.CreditAuthAndSignPrint("12345678", "001"));
control.SetBizName("\uCE74\uBCF4\uB9B0\uC0C1\uC810");
say("business", control.CreditAuthAndSignPrint("12345678", "001"));

control.SetResCodePrintData(code + " ");
say("refused", control.CreditAuthResultPrint());

var plain = "\uCE74\uB4DC\uC2B9\uC778 1004\uC6D0";
var cipher = control.DESEncryptBase64(plain);
say("cipher", cipher);
say("roundtrip", control.DESDecryptBase64(cipher) == plain);
say("empty", control.DESEncryptBase64(""));
say("done", 1);
