# The subsystem folders of src/, bottom first, and the floors below each: the
# only folders its sources may include from besides its own.
set(ZVRAW_SUBSYSTEMS formats drift cluster processing api acquisition)
set(ZVRAW_FLOORS_formats)
set(ZVRAW_FLOORS_drift formats)
set(ZVRAW_FLOORS_cluster formats drift)
set(ZVRAW_FLOORS_processing formats)
set(ZVRAW_FLOORS_api formats drift cluster processing)
set(ZVRAW_FLOORS_acquisition formats api)
# A folder split into sub-folders lists them bottom first: each sub-folder
# includes only from itself and the ones before it. The folders above see
# all of them.
set(ZVRAW_SUBFLOORS_formats portability calibration directory packets index statistics scans)
