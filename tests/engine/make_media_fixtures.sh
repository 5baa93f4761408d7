#!/usr/bin/env bash
# Makes the media the media-detector tests read: two seconds of numbered pictures with a tone,
# in the containers and codecs the detector must handle, and a 40x30 picture (top left red,
# top right blue, bottom half green) in each still format (TGA both colour-mapped and
# run-length true colour). Written into the build folder.
set -euo pipefail
out="$1"
mkdir -p "$out"
cd "$out"
ff() { ffmpeg -hide_banner -loglevel error -nostdin -y "$@"; }
# Picture n of 50 (25 per second) has red = (n mod 25) * 10, green 64, and blue 0 in the first
# second and 200 in the second: a picture tells its own number, within the codecs' loss.
inputs=(-f lavfi -i "color=c=black:s=160x120:r=25:d=2,format=rgb24,geq=r='mod(N,25)*10':g=64:b='if(lt(N,25),0,200)'"
        -f lavfi -i "sine=frequency=440:sample_rate=44100:duration=2" -map 0:v -map 1:a -ac 2)
ff "${inputs[@]}" -c:v libx264 -pix_fmt yuv420p -g 25 -c:a aac -b:a 64k clip.mp4
# Without mux delay the program clock starts at 0: the platform's MPEG parser cuts a stream
# whose clock starts late short by that much (measured), which is not what this test is about.
ff "${inputs[@]}" -c:v mpeg1video -q:v 4 -c:a mp2 -muxdelay 0 -muxpreload 0 -f mpeg clip.mpg 2>/dev/null
ff "${inputs[@]}" -c:v mjpeg -pix_fmt yuvj420p -q:v 3 -c:a pcm_s16le clip-mjpeg.avi
# Ten pictures of a gradient from the first on (red = 4x, green = 4y, blue 128), as JPEG (full
# range YUV) and as H.264 (video range): what the decoders hand out as YUV, with a first
# picture that tells the conversions apart.
gradient=(-f lavfi -i "color=c=black:s=64x48:r=10:d=1,format=rgb24,geq=r='4*X':g='4*Y':b=128")
ff "${gradient[@]}" -c:v mjpeg -pix_fmt yuvj420p -q:v 2 gradient-mjpeg.avi
ff "${gradient[@]}" -c:v libx264 -pix_fmt yuv420p -crf 10 gradient.mp4
# The same after a black first picture, which looks alike through every conversion.
ff -f lavfi -i "color=c=black:s=64x48:r=10:d=1,format=rgb24,geq=r='if(N,4*X,0)':g='if(N,4*Y,0)':b='if(N,128,0)'" \
  -c:v mjpeg -pix_fmt yuvj420p -q:v 2 black-first-mjpeg.avi

IM=/usr/bin/convert
$IM \( -size 20x15 xc:red -size 20x15 xc:blue +append \) -size 40x15 xc:lime -append picture.png
$IM picture.png BMP3:picture.bmp
$IM picture.png picture.gif
$IM picture.png -quality 95 picture.jpg
# TGA by ffmpeg: ImageMagick 6.9 stores the rows top-down while its header says bottom-up.
ff -i picture.png -pix_fmt pal8 -rle 0 picture.tga
ff -i picture.png -pix_fmt bgr24 -rle 1 picture-rle.tga
touch stamp
