# Sound fixtures made by the build (sox tones, oggenc Ogg Vorbis, lame MP3) into
# <build>/fixtures/sound/. Test programs that need them depend on tv_sound_fixtures.
if(NOT TARGET tv_sound_fixtures)
    find_program(TV_SOX sox REQUIRED)
    find_program(TV_OGGENC oggenc REQUIRED)
    find_program(TV_LAME lame REQUIRED)
    set(dir ${PROJECT_BINARY_DIR}/fixtures/sound)
    file(MAKE_DIRECTORY ${dir})
    set(outputs)

    # name rate channels seconds kind frequency
    set(tones
        "mono 22050 1 0.5 sine 441"
        "stereo 22050 2 0.5 sine 441"
        "six 22050 6 0.5 sine 441"
        "noise 22050 1 2 whitenoise 441"
        "music 22050 1 1 sine 441"
        "music2 44100 2 0.5 sine 882")
    foreach(tone ${tones})
        separate_arguments(t UNIX_COMMAND "${tone}")
        list(GET t 0 name)
        list(GET t 1 rate)
        list(GET t 2 channels)
        list(GET t 3 seconds)
        list(GET t 4 kind)
        list(GET t 5 frequency)
        add_custom_command(OUTPUT ${dir}/${name}.wav
            COMMAND ${TV_SOX} -n -r ${rate} -c ${channels} -b 16 ${dir}/${name}.wav synth ${seconds} ${kind} ${frequency} vol 0.5
            VERBATIM)
        list(APPEND outputs ${dir}/${name}.wav)
    endforeach()
    foreach(name mono stereo six noise)
        add_custom_command(OUTPUT ${dir}/${name}.ogg
            COMMAND ${TV_OGGENC} -Q -q 0 --serial 1 -o ${dir}/${name}.ogg ${dir}/${name}.wav
            DEPENDS ${dir}/${name}.wav VERBATIM)
        list(APPEND outputs ${dir}/${name}.ogg)
    endforeach()
    foreach(name music music2)
        add_custom_command(OUTPUT ${dir}/${name}.mp3
            COMMAND ${TV_LAME} --quiet -b 64 ${dir}/${name}.wav ${dir}/${name}.mp3
            DEPENDS ${dir}/${name}.wav VERBATIM)
        list(APPEND outputs ${dir}/${name}.mp3)
    endforeach()
    add_custom_target(tv_sound_fixtures DEPENDS ${outputs})
    set_property(GLOBAL PROPERTY TV_SOUND_FIXTURES_DIR ${dir})
endif()
