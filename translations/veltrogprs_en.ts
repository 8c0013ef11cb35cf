<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AboutDialog</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>关于...</source>
        <translation>About...</translation>
    </message>
    <message>
        <source>Veltro科技 GPRS 5.0 版</source>
        <translation>Veltro GPRS version 5.0</translation>
    </message>
    <message>
        <source>Veltro科技 版权所有</source>
        <translation>Copyright Veltro Technology</translation>
    </message>
</context>
<context>
    <name>BalanceDialog</name>
    <message>
        <source>查询余额</source>
        <translation>Check balance</translation>
    </message>
    <message>
        <source>正在查询余额，请稍候...</source>
        <translation>Checking the balance, please wait...</translation>
    </message>
    <message>
        <source>请输入回复后点击“回复”：</source>
        <translation>Type your answer and click &quot;Reply&quot;:</translation>
    </message>
    <message>
        <source>网络没有应答，请稍后再试。</source>
        <translation>The network did not answer. Please try again later.</translation>
    </message>
    <message>
        <source>网络或数据卡不支持此查询（%1）。</source>
        <translation>The network or the data card does not support this query (%1).</translation>
    </message>
    <message>
        <source>数据卡尚未就绪，无法查询余额。</source>
        <translation>The data card is not ready; the balance cannot be checked.</translation>
    </message>
    <message>
        <source>回复</source>
        <translation>Reply</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>CallPage</name>
    <message>
        <source>呼/接(&amp;C)</source>
        <translation>&amp;Call/Answer</translation>
    </message>
    <message>
        <source>挂断(&amp;H)</source>
        <translation>&amp;Hang up</translation>
    </message>
    <message>
        <source>%1：号码不能含有“%2”（它会改变发给调制解调器的拨号命令）</source>
        <translation>%1: the number cannot contain &quot;%2&quot; (it would change the dial command sent to the modem)</translation>
    </message>
    <message>
        <source>请输入电话号码</source>
        <translation>Please enter a phone number</translation>
    </message>
    <message>
        <source>正在拨号...</source>
        <translation>Dialling...</translation>
    </message>
    <message>
        <source>拨号失败</source>
        <translation>Dialling failed</translation>
    </message>
    <message>
        <source>通话时间: %02d:%02d:%02d</source>
        <translation>Call time: %02d:%02d:%02d</translation>
    </message>
    <message>
        <source>通话结束,通话时长: %02d:%02d:%02d</source>
        <translation>Call ended, duration: %02d:%02d:%02d</translation>
    </message>
    <message>
        <source>有电话来自:</source>
        <translation>Incoming call from:</translation>
    </message>
    <message>
        <source>来电</source>
        <translation>Incoming call</translation>
    </message>
    <message>
        <source>来电号码无法显示</source>
        <translation>Caller number not available</translation>
    </message>
    <message>
        <source>对方已挂断,通话时长: %02d:%02d:%02d</source>
        <translation>The other party hung up, duration: %02d:%02d:%02d</translation>
    </message>
    <message>
        <source>呼叫未接通</source>
        <translation>The call was not connected</translation>
    </message>
    <message>
        <source>呼叫已取消</source>
        <translation>The call was cancelled</translation>
    </message>
    <message>
        <source>对方忙,呼叫未接通</source>
        <translation>The line is busy; the call was not connected</translation>
    </message>
    <message>
        <source>无人接听,呼叫未接通</source>
        <translation>No answer; the call was not connected</translation>
    </message>
    <message>
        <source>通话中断,通话时长: %02d:%02d:%02d</source>
        <translation>Call interrupted, duration: %02d:%02d:%02d</translation>
    </message>
</context>
<context>
    <name>CardWatch</name>
    <message>
        <source>GPRS设备已拔出，请重新插入</source>
        <translation>The GPRS device was unplugged. Please plug it in again</translation>
    </message>
</context>
<context>
    <name>ConnectionControl</name>
    <message>
        <source>拨号设备不存在</source>
        <translation>The dial-up device does not exist</translation>
    </message>
    <message>
        <source>找不到拨号连接</source>
        <translation>The dial-up connection cannot be found</translation>
    </message>
    <message>
        <source>无法保存拨号连接</source>
        <translation>The dial-up connection cannot be saved</translation>
    </message>
    <message>
        <source>连接被对方断开</source>
        <translation>The connection was closed by the other end</translation>
    </message>
    <message>
        <source>连接已被取消</source>
        <translation>The connection was cancelled</translation>
    </message>
    <message>
        <source>拨号设备不可用，或拨号程序无法启动</source>
        <translation>The dial-up device is not available, or the dialler cannot start</translation>
    </message>
    <message>
        <source>连接已断开</source>
        <translation>The connection was lost</translation>
    </message>
    <message>
        <source>对方无应答</source>
        <translation>No answer from the other end</translation>
    </message>
    <message>
        <source>没有载波信号</source>
        <translation>No carrier</translation>
    </message>
    <message>
        <source>身份验证失败</source>
        <translation>Authentication failed</translation>
    </message>
    <message>
        <source>PPP协商超时</source>
        <translation>PPP negotiation timed out</translation>
    </message>
    <message>
        <source>拨号失败</source>
        <translation>Dialling failed</translation>
    </message>
    <message>
        <source>错误 %1：%2</source>
        <translation>Error %1: %2</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>断开</source>
        <translation>Log off</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>发生错误,是否重新连接?</source>
        <translation>An error occurred. Connect again?</translation>
    </message>
    <message>
        <source>在规定的时间内无法接通,是否重新连接?</source>
        <translation>The connection could not be made in time. Connect again?</translation>
    </message>
    <message>
        <source>正在重新尝试连接...</source>
        <translation>Trying to connect again...</translation>
    </message>
    <message>
        <source>正在断开连接，请稍候...</source>
        <translation>Disconnecting, please wait...</translation>
    </message>
    <message>
        <source>关闭确认</source>
        <translation>Confirm close</translation>
    </message>
    <message>
        <source>是否要断开连接并关闭？</source>
        <translation>Disconnect and close?</translation>
    </message>
</context>
<context>
    <name>DataFiles</name>
    <message>
        <source>无法读取%1，本次运行不会改写它。</source>
        <translation>Cannot read %1; it will not be written in this run.</translation>
    </message>
    <message>
        <source>%1已损坏，已改名为%2保留。</source>
        <translation>%1 is damaged; it was kept as %2.</translation>
    </message>
    <message>
        <source>%1已损坏且无法改名，本次运行不会改写它。</source>
        <translation>%1 is damaged and cannot be renamed; it will not be written in this run.</translation>
    </message>
    <message>
        <source>另一个窗口（进程%1，主机%2）正在使用这些通讯录和短信文件，本窗口不会改写它们。</source>
        <translation>Another window (process %1 on host %2) uses these contact and message files; this window will not write them.</translation>
    </message>
    <message>
        <source>另一个程序正在使用这些通讯录和短信文件，本窗口不会改写它们。</source>
        <translation>Another program uses these contact and message files; this window will not write them.</translation>
    </message>
</context>
<context>
    <name>DeviceStartup</name>
    <message>
        <source>请检查GPRS设备及驱动程序是否正确安装</source>
        <translation>Please check that the GPRS device and its driver are installed correctly</translation>
    </message>
    <message>
        <source>调制解调器初始化失败。</source>
        <translation>The modem could not be initialised.</translation>
    </message>
    <message>
        <source>无法检测到SIM卡</source>
        <translation>No SIM card found</translation>
    </message>
    <message>
        <source>正在搜索网络信号...</source>
        <translation>Searching for the network...</translation>
    </message>
    <message>
        <source>欢迎使用 VeltroGPRS无线上网卡

请点击&quot;连接&quot;按钮登录 Internet...</source>
        <translation>Welcome to the VeltroGPRS wireless data card

Click &quot;Connect&quot; to go on the Internet...</translation>
    </message>
    <message>
        <source>未知厂商的数据卡（%1），只使用标准AT命令</source>
        <translation>Data card of an unknown maker (%1): only standard AT commands are used</translation>
    </message>
</context>
<context>
    <name>DialupConnection</name>
    <message>
        <source>正在打开通讯端口...</source>
        <translation>Opening the port...</translation>
    </message>
    <message>
        <source>通讯端口打开成功.</source>
        <translation>Port opened.</translation>
    </message>
    <message>
        <source>正在进行设备连接...</source>
        <translation>Connecting the device...</translation>
    </message>
    <message>
        <source>设备连接成功.</source>
        <translation>Device connected.</translation>
    </message>
    <message>
        <source>设备链中的所有设备均连接成功.</source>
        <translation>All devices in the chain are connected.</translation>
    </message>
    <message>
        <source>正在校验用户名和密码...</source>
        <translation>Verifying user name and password...</translation>
    </message>
    <message>
        <source>进行鉴权.</source>
        <translation>Authenticating.</translation>
    </message>
    <message>
        <source>服务器需要回呼号码.</source>
        <translation>The server asks for a callback number.</translation>
    </message>
    <message>
        <source>客户要求改变密码.</source>
        <translation>The client asks to change the password.</translation>
    </message>
    <message>
        <source>正在网络上注册您的计算机...</source>
        <translation>Registering your computer on the network...</translation>
    </message>
    <message>
        <source>开始计算连接速度.</source>
        <translation>Measuring the link speed.</translation>
    </message>
    <message>
        <source>鉴权请求在确认中.</source>
        <translation>The authentication request is being acknowledged.</translation>
    </message>
    <message>
        <source>开始重新鉴权.</source>
        <translation>Authenticating again.</translation>
    </message>
    <message>
        <source>客户已成功完成鉴权.</source>
        <translation>Authentication complete.</translation>
    </message>
    <message>
        <source>正在登录网络...</source>
        <translation>Logging on to the network...</translation>
    </message>
    <message>
        <source>联接远端服务器成功.
</source>
        <translation>Connected to the remote server.
</translation>
    </message>
    <message>
        <source>已断开.</source>
        <translation>Disconnected.</translation>
    </message>
</context>
<context>
    <name>InboxModel</name>
    <message>
        <source>时间</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>号码</source>
        <translation>Number</translation>
    </message>
    <message>
        <source>内容</source>
        <translation>Text</translation>
    </message>
</context>
<context>
    <name>InboxPoller</name>
    <message>
        <source>新短信：</source>
        <translation>New message: </translation>
    </message>
    <message>
        <source>无法保存短信文件sms.dat，短信仍保留在SIM卡上</source>
        <translation>Cannot save the message file sms.dat; the messages stay on the SIM card</translation>
    </message>
</context>
<context>
    <name>MainDialog</name>
    <message>
        <source>通话</source>
        <translation>Call</translation>
    </message>
    <message>
        <source>短信</source>
        <translation>SMS</translation>
    </message>
    <message>
        <source>通讯录</source>
        <translation>Contacts</translation>
    </message>
    <message>
        <source>编写新短信</source>
        <translation>New message</translation>
    </message>
    <message>
        <source>收件箱</source>
        <translation>Inbox</translation>
    </message>
    <message>
        <source>查询余额</source>
        <translation>Check balance</translation>
    </message>
    <message>
        <source>关于(&amp;A)</source>
        <translation>&amp;About</translation>
    </message>
    <message>
        <source>退出(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>重试(&amp;R)</source>
        <translation>&amp;Retry</translation>
    </message>
    <message>
        <source>另存到...(&amp;S)</source>
        <translation>&amp;Save to...</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Veltro科技 GPRS 应用软件</source>
        <translation>Veltro GPRS</translation>
    </message>
    <message>
        <source>正在初始化硬件设备...</source>
        <translation>Initialising the hardware...</translation>
    </message>
    <message>
        <source>错误</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>无法将通讯录和短信保存到 vc.dat 和 sms.dat（%1）。
从 SIM 卡取回的短信只保存在这里，关闭后将会丢失。</source>
        <translation>The contacts and messages cannot be saved to vc.dat and sms.dat (%1).
Messages taken from the SIM card are only kept here and will be lost when the window closes.</translation>
    </message>
    <message>
        <source>选择保存通讯录和短信的文件夹</source>
        <translation>Choose a folder for the contacts and messages</translation>
    </message>
    <message>
        <source>通讯录和短信尚未保存，请重试或另存到其他文件夹。</source>
        <translation>The contacts and messages are not saved yet. Retry, or save them to another folder.</translation>
    </message>
</context>
<context>
    <name>PhonebookPage</name>
    <message>
        <source>姓名</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>号码</source>
        <translation>Number</translation>
    </message>
    <message>
        <source>姓名：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>电话号码：</source>
        <translation>Number:</translation>
    </message>
    <message>
        <source>添加(&amp;A)</source>
        <translation>&amp;Add</translation>
    </message>
    <message>
        <source>删除(&amp;D)</source>
        <translation>&amp;Delete</translation>
    </message>
</context>
<context>
    <name>PinDialog</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>SIM卡PIN码</source>
        <translation>SIM PIN</translation>
    </message>
    <message>
        <source>SIM卡PUK码</source>
        <translation>SIM PUK</translation>
    </message>
    <message>
        <source>SIM卡已锁定，请输入PIN码（4-8位数字）：</source>
        <translation>SIM card locked. Enter its PIN (4-8 digits):</translation>
    </message>
    <message>
        <source>SIM卡已被锁定，请输入PUK码（8位数字）并设置新的PIN码：</source>
        <translation>The SIM card is blocked. Enter the PUK (8 digits) and a new PIN:</translation>
    </message>
    <message>
        <source>剩余尝试次数：%1</source>
        <translation>Tries left: %1</translation>
    </message>
    <message>
        <source>本次已输错 %1 次</source>
        <translation>Wrong so far: %1</translation>
    </message>
    <message>
        <source>注意：这是最后一次机会，再输错一次SIM卡将被锁定，需用PUK码解锁。</source>
        <translation>Last try: one more wrong PIN blocks the SIM card until its PUK is entered.</translation>
    </message>
    <message>
        <source>PIN码错误，请重新输入。</source>
        <translation>Wrong PIN. Please try again.</translation>
    </message>
    <message>
        <source>PUK码错误，请重新输入。</source>
        <translation>Wrong PUK. Please try again.</translation>
    </message>
    <message>
        <source>PIN码：</source>
        <translation>PIN:</translation>
    </message>
    <message>
        <source>PUK码：</source>
        <translation>PUK:</translation>
    </message>
    <message>
        <source>新PIN码：</source>
        <translation>New PIN:</translation>
    </message>
    <message>
        <source>确认PIN码：</source>
        <translation>Confirm:</translation>
    </message>
</context>
<context>
    <name>SignalToolTip</name>
    <message>
        <source>信号强度：未知</source>
        <translation>Signal: unknown</translation>
    </message>
    <message>
        <source>信号强度：%1 dBm（%2/5格）</source>
        <translation>Signal: %1 dBm (%2/5 bars)</translation>
    </message>
</context>
<context>
    <name>SimUnlock</name>
    <message>
        <source>SIM卡已锁定，请输入PIN码</source>
        <translation>The SIM card is locked. Please enter its PIN</translation>
    </message>
    <message>
        <source>SIM卡未解锁</source>
        <translation>The SIM card is not unlocked</translation>
    </message>
</context>
<context>
    <name>SmsComposePage</name>
    <message>
        <source>发送(&amp;S)</source>
        <translation>&amp;Send</translation>
    </message>
    <message>
        <source>%1：%2 条中已发出 %3 条</source>
        <translation>%1: %3 of %2 parts were sent</translation>
    </message>
    <message>
        <source>%1 字，%2 条短信</source>
        <translation>%1 characters, %2 messages</translation>
    </message>
    <message>
        <source>%1：号码不能含有“%2”（只能是数字，前面可有一个“+”）</source>
        <translation>%1: the number cannot contain &quot;%2&quot; (only digits, optionally after one &quot;+&quot;)</translation>
    </message>
    <message>
        <source>正在发送短信，请稍候...</source>
        <translation>Sending the message, please wait...</translation>
    </message>
    <message>
        <source>已成功发送短信</source>
        <translation>The message was sent</translation>
    </message>
    <message>
        <source>发送短信失败</source>
        <translation>The message could not be sent</translation>
    </message>
</context>
<context>
    <name>SmsInboxPage</name>
    <message>
        <source>回复</source>
        <translation>Reply</translation>
    </message>
    <message>
        <source>转发</source>
        <translation>Forward</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
</context>
<context>
    <name>TrafficPage</name>
    <message>
        <source>发送：%1 字节</source>
        <translation>Sent: %1 bytes</translation>
    </message>
    <message>
        <source>接收：%1 字节</source>
        <translation>Received: %1 bytes</translation>
    </message>
    <message>
        <source>接收速度：%1kbps</source>
        <translation>Receiving: %1 kbps</translation>
    </message>
    <message>
        <source>发送速度：%1 kbps</source>
        <translation>Sending: %1 kbps</translation>
    </message>
    <message>
        <source>接收平均：%1 kbps</source>
        <translation>Average in: %1 kbps</translation>
    </message>
    <message>
        <source>发送平均：%1 kbps</source>
        <translation>Average out: %1 kbps</translation>
    </message>
    <message>
        <source>连接时间：%02u:%02u:%02u </source>
        <translation>Connected: %02u:%02u:%02u </translation>
    </message>
    <message>
        <source>本月流量：%1</source>
        <translation>This month: %1</translation>
    </message>
    <message>
        <source>流量提醒</source>
        <translation>Data usage</translation>
    </message>
    <message>
        <source>本月流量已达到上限 %1 MB。</source>
        <translation>This month&apos;s data has reached the cap of %1 MB.</translation>
    </message>
    <message>
        <source>本月流量已用去上限 %1 MB 的 90%。</source>
        <translation>This month&apos;s data has used 90% of the cap of %1 MB.</translation>
    </message>
    <message>
        <source>最近 %1 秒
接收：平均 %2 kbps，最高 %3 kbps
发送：平均 %4 kbps，最高 %5 kbps</source>
        <translation>Last %1 seconds
Receiving: average %2 kbps, top %3 kbps
Sending: average %4 kbps, top %5 kbps</translation>
    </message>
</context>
</TS>
