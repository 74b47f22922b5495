# The layers from the bottom up. A folder may include and link only what lies before it; the
# sources, the tests and the include check all take their order from this one list.
set(TONQUELL_LAYERS
    platform
    app
    id3
    tags
    conversion
    transcoder
    controls/property_store
    controls/system_colors
    controls/twips
    controls/ultrabox
    controls/progress_bar
    ui/file_lists
    ui/main_window
    startup
    tools)
