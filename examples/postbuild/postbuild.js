// Post-build step of the firmware: stamps the image length and its CRC into the image
// header (the reserved vector slots at 0x1C and 0x20, see imageheader.c), saves the
// image and checks the saved file. Set `image` to the binary's path before this file
// runs, e.g. tessascript -e "var image = 'firmware.bin'" postbuild.js
//
// The CRC is CRC-32/BZIP2 (BinaryFile.crc32) over the whole image with the CRC word
// zero, so a boot loader zeroes the word in its copy and recomputes.

var lengthOffset = 0x1C;
var crcOffset = 0x20;

function fail(message) {
    WScript.Echo(image + ": " + message + "\n");
    // The language has no throw: a call of something undefined ends the run with an
    // error, which makes tessascript exit with status 1.
    postBuildFailed();
}

function hex(number) {
    var text = number.toString(16);
    while (text.length < 8)
        text = "0" + text;
    return "0x" + text;
}

if (!BinaryFile.load(image))
    fail("cannot load the image");
var length = BinaryFile.length();
if (length < crcOffset + 4)
    fail("too short for an image header (" + length + " bytes)");
if (BinaryFile.peekUint32(lengthOffset) != 0 && BinaryFile.peekUint32(lengthOffset) != length)
    fail("the header word at " + hex(lengthOffset) + " is neither empty nor the length");

BinaryFile.pokeUint32(lengthOffset, length);
BinaryFile.pokeUint32(crcOffset, 0);
var crc = BinaryFile.crc32(0, length);
BinaryFile.pokeUint32(crcOffset, crc);
if (!BinaryFile.save(image))
    fail("cannot save the image");

// Verify what was written: reload, check the length, recompute the CRC.
if (!BinaryFile.load(image) || BinaryFile.length() != length)
    fail("the saved image does not read back");
var savedCrc = BinaryFile.peekUint32(crcOffset);
BinaryFile.pokeUint32(crcOffset, 0);
if (BinaryFile.peekUint32(lengthOffset) != length || BinaryFile.crc32(0, length) != savedCrc)
    fail("the saved header does not match the image");

WScript.Echo(image + ": " + length + " bytes, CRC " + hex(crc) + ", header verified\n");
