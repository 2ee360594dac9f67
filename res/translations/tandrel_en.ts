<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>Tandrel</name>
    <message>
        <source>KORVEN 无线配对工具</source>
        <translation>KORVEN Wireless Pairing Tool</translation>
    </message>
    <message>
        <source>关于 Tandrel(&amp;A)...</source>
        <translation>&amp;About Tandrel...</translation>
    </message>
    <message>
        <source>未找到接收器!</source>
        <translation>No receiver found!</translation>
    </message>
    <message>
        <source>未连接!!!!!!</source>
        <translation>Not connected!!!!!!</translation>
    </message>
    <message>
        <source>配对中......</source>
        <translation>Pairing......</translation>
    </message>
    <message>
        <source>配对中</source>
        <translation>Pairing</translation>
    </message>
    <message>
        <source>配对中...</source>
        <translation>Pairing...</translation>
    </message>
    <message>
        <source>已连接！！！</source>
        <translation>Connected!!!</translation>
    </message>
    <message>
        <source>设备相应型号未写入！</source>
        <translation>No model stored!</translation>
    </message>
    <message>
        <source>设备相应外壳颜色未写入！</source>
        <translation>No colour stored!</translation>
    </message>
    <message>
        <source>设备相应轴体未写入！</source>
        <translation>No switch stored!</translation>
    </message>
    <message>
        <source>其他类型</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>获取一类设备失败!</source>
        <translation>Cannot list the HID devices!</translation>
    </message>
    <message>
        <source>申请设备接口数据空间失败!</source>
        <translation>Out of memory for the device list!</translation>
    </message>
    <message>
        <source>下发连接指令数据失败！</source>
        <translation>Cannot send the pair command!</translation>
    </message>
    <message>
        <source>获取已连接设备的信息失败！</source>
        <translation>Cannot read the keyboard&apos;s information!</translation>
    </message>
    <message>
        <source>没有访问接收器的权限。请安装 udev 规则，然后重新插入接收器。</source>
        <translation>No permission to use the receiver. Install the udev rule, then unplug the receiver and plug it in again.</translation>
    </message>
    <message>
        <source>连接</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>未连接！！！</source>
        <translation>Not connected!!!</translation>
    </message>
    <message>
        <source>型号：</source>
        <translation>Model:</translation>
    </message>
    <message>
        <source>颜色：</source>
        <translation>Colour:</translation>
    </message>
    <message>
        <source>轴体：</source>
        <translation>Switch:</translation>
    </message>
    <message>
        <source>固件版本：</source>
        <translation>Firmware:</translation>
    </message>
    <message>
        <source>设备信息</source>
        <translation>Device info</translation>
    </message>
    <message>
        <source>Tandrel，1.0 版</source>
        <translation>Tandrel, version 1.0</translation>
    </message>
    <message>
        <source>版权所有 (C) Tandrel 的作者们</source>
        <translation>© The Tandrel authors</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>关于 Tandrel</source>
        <translation>About Tandrel</translation>
    </message>
    <message>
        <source>演示：拔出接收器</source>
        <translation>Demo: pull out the receiver</translation>
    </message>
    <message>
        <source>演示：插入接收器</source>
        <translation>Demo: plug in the receiver</translation>
    </message>
</context>
</TS>
